#pragma once

#include "core/text/TextEncoding.h"

#include <QString>
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

// The last steps of every save, the Readme's, the software data file's and copyright.dat's:
// the text (UTF-8) to the file's encoding, code page 932 unless a Readme takes its plugin's,
// and a file larger than `maxBytes` refused (both by encodeTextFile, as for the list files);
// the question about characters code page 932 lacks; the atomic write. A failure, the size
// too, is reported as `failureHeadline` and the reason. The old file stays whole unless the
// text was written.
Saved saveTextFile(Platform& platform, QWidget* parent, const std::string& path,
                   std::string_view text, const QString& failureHeadline,
                   std::uint64_t maxBytes = UINT64_MAX,
                   TextEncoding encoding = TextEncoding::Cp932);

}  // namespace norvelle
