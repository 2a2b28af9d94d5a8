#pragma once

#include "text/TextEncoding.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

namespace norvelle {

class Platform;

// How a text reached its file.
enum class Saved {
    No,                // nothing was written: the user declined, or the write failed (reported)
    Yes,               // the file holds the text
    WithReplacements,  // the file holds the text with "?" for characters Shift-JIS lacks
};

// The last steps of every save, the Readme's, the software data file's and the registered
// lists': the text (UTF-8) to the file's encoding, code page 932 unless a Readme takes its
// plugin's; a file larger than `maxBytes` refused; the question about characters code page
// 932 lacks; the atomic write. A failure is reported as `failureHeadline` and the reason. The
// old file stays whole unless the text was written.
Saved saveTextFile(Platform& platform, QWidget* parent, const std::string& path,
                   std::string_view text, const QString& failureHeadline,
                   std::size_t maxBytes = SIZE_MAX, TextEncoding encoding = TextEncoding::Cp932);

}  // namespace norvelle
