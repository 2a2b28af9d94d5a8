// Splitting into lines keeps every character but the line ends, and never yields a CR.
#include "core/text/Lines.h"
#include "core/text/Cp932.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text =
        norvelle::decodeCp932({reinterpret_cast<const char*>(data), size});
    const auto lines = norvelle::splitLines(text);
    std::size_t kept = 0;
    for (const auto& line : lines) {
        if (line.find('\r') != std::string::npos) std::abort();
        kept += line.size();
    }
    std::size_t expected = 0;
    for (char c : text) expected += c != '\r';
    // Only a LF that directly follows a CR belongs to the line end.
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '\r' && text[i + 1] == '\n') --expected;
    if (kept != expected) std::abort();
    return 0;
}
