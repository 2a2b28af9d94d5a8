#pragma once

#include "text/Cp932.h"

#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace norvelle {

class Platform;

// "既存のﾌｧｲﾙを上書きしますか ?" with Yes and No, No preselected. True for Yes.
bool askOverwrite(Platform& platform, QWidget* parent);

// Code page 932 cannot hold some characters of a text about to be written to `path`: lists
// them and asks whether to write each as "?". True when the user agrees; false to write
// nothing.
bool askReplaceUnencodable(Platform& platform, QWidget* parent, const QString& path,
                           const std::vector<Unencodable>& characters);

// A file could not be written: names the file and the reason, critical icon, caption
// "Norvelle".
void reportWriteFailure(Platform& platform, QWidget* parent, const QString& path,
                        const std::string& reason);

// A file could not be read: names the file and the reason, critical icon, caption
// "Norvelle".
void reportReadFailure(Platform& platform, QWidget* parent, const QString& path,
                       const std::string& reason);

}  // namespace norvelle
