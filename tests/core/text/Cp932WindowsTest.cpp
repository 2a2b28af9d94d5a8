// The code page 932 tables against Windows' own converter: a Readme reads on Windows as the
// program meant it, and the program writes a character as Windows writes it.

#include "core/text/Cp932.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace norvelle {
namespace {

// Windows' reading of code page 932 bytes, as UTF-8; false where Windows finds them invalid.
bool windowsReads(const std::string& bytes, std::string& utf8) {
    wchar_t wide[4];
    const int size = static_cast<int>(bytes.size());
    int n = ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), size, wide, 4);
    if (n <= 0) {
        // Asked to refuse invalid bytes, Wine refuses 0xA0 and 0xFD to 0xFF, yet reads them
        // as characters that it writes back as the same bytes: a file holding them goes
        // through it unchanged, so they are characters.
        n = ::MultiByteToWideChar(932, 0, bytes.data(), size, wide, 4);
        char back[16];
        BOOL usedDefault = FALSE;
        const int m = n > 0 ? ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, n, back,
                                                    sizeof back, nullptr, &usedDefault)
                            : 0;
        if (m <= 0 || usedDefault || std::string(back, static_cast<std::size_t>(m)) != bytes)
            return false;
    }
    char out[16];
    const int m = ::WideCharToMultiByte(CP_UTF8, 0, wide, n, out, sizeof out, nullptr, nullptr);
    utf8.assign(out, static_cast<std::size_t>(m));
    return true;
}

TEST(Cp932, AgreesWithWindowsOverTheWholeCodePage) {
    // Where the program knowingly differs: it writes the look-alikes that Linux and macOS
    // input methods type as the code page 932 characters they stand for, which Windows
    // refuses.
    const std::set<char32_t> notWindows = {0xA2,   0xA3,   0xA5,   0xAC,  0x2014,
                                           0x2016, 0x203E, 0x2212, 0x301C};

    std::vector<std::string> differ;
    std::string expected;
    for (int first = 0x80; first < 0x100; ++first) {
        const std::string one(1, static_cast<char>(first));
        if (windowsReads(one, expected)) {
            if (decodeCp932(one) != expected) differ.push_back(one);
            continue;
        }
        for (int second = 0x40; second < 0x100; ++second) {
            const std::string pair = one + static_cast<char>(second);
            if (windowsReads(pair, expected) && decodeCp932(pair) != expected)
                differ.push_back(pair);
        }
    }
    EXPECT_TRUE(differ.empty()) << differ.size() << " sequences read differently";

    std::vector<std::string> written;
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
        if ((cp >= 0xD800 && cp <= 0xDFFF) || notWindows.count(cp)) continue;
        const wchar_t wide = static_cast<wchar_t>(cp);
        char bytes[4];
        BOOL usedDefault = FALSE;
        const int n = ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes,
                                            sizeof bytes, nullptr, &usedDefault);
        char utf8[8];
        const int m =
            ::WideCharToMultiByte(CP_UTF8, 0, &wide, 1, utf8, sizeof utf8, nullptr, nullptr);
        const EncodeResult r = encodeCp932(std::string(utf8, static_cast<std::size_t>(m)), '\0');
        const bool same = n > 0 && !usedDefault
                              ? r.unencodable.empty() &&
                                    r.bytes == std::string(bytes, static_cast<std::size_t>(n))
                              : r.unencodable.size() == 1;
        if (!same) written.push_back(codePointLabel(cp));
    }
    EXPECT_TRUE(written.empty()) << written.size() << " characters written differently, first "
                                 << written.front();
}

}  // namespace
}  // namespace norvelle
