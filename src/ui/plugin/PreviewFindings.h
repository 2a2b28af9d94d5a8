#pragma once

#include "core/text/ReadmeFindings.h"

#include <QString>
#include <cstddef>
#include <vector>

namespace norvelle {

// A finding of the Readme rules as the preview shows it: where it is in the text box, and
// what the list below the text says of it.
struct PreviewFinding {
    // In the positions of the document that QPlainTextEdit::setPlainText builds from the
    // checked text (UTF-16 code units, each line break one).
    int position = 0;
    int length = 0;
    QString text;  // e.g. "3 行 5 列: 制御文字 U+0007"
};

struct PreviewFindings {
    std::vector<PreviewFinding> shown;  // the first ones, in the text's order
    std::size_t total = 0;              // all of them
};

// Checks a Readme's text as it would be saved and places the first `limit` findings in the
// text box that shows it.
PreviewFindings findPreviewFindings(const QString& text, const ReadmeRules& rules,
                                    std::size_t limit);

}  // namespace norvelle
