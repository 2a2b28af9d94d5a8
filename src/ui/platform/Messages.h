#pragma once

#include "core/text/Cp932.h"

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

// A failure: the headline ("<file> に書き込めませんでした。" and the like), then the reason on
// a line of its own; critical icon, caption "Norvelle". Every failure the windows report
// looks like this.
void reportFailure(Platform& platform, QWidget* parent, const QString& headline,
                   const std::string& reason);
QString cannotWriteHeadline(const QString& path);  // "<path> に書き込めませんでした。"
QString cannotReadHeadline(const QString& path);   // "<path> を読み込めませんでした。"

}  // namespace norvelle
