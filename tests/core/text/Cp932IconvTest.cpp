// The code page 932 tables against the C library's own converter, and the program without
// it. Linux only: the Windows C library has no iconv.

#include "core/text/Cp932.h"

#include "core/document/SoftwareData.h"
#include "core/document/SoftwareDataFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace norvelle {
namespace {

// iconv itself, for comparison.
class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // One conversion from a fresh state: 0, or the errno it failed with.
    int convert(std::string_view in, std::string& out) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) return EBADF;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buf[64];
        char* ip = const_cast<char*>(in.data());
        std::size_t il = in.size();
        char* op = buf;
        std::size_t ol = sizeof buf;
        const bool failed = iconv(m_cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1);
        out.assign(buf, sizeof buf - ol);
        return failed ? errno : 0;
    }

private:
    iconv_t m_cd;
};

TEST(Cp932, AgreesWithIconvOverTheWholeCodePage) {
    // Every byte, and every pair after a lead byte, reads as iconv reads it; what iconv
    // rejects reads as U+FFFD. Except where the program knowingly reads as Windows does:
    // iconv rejects these single bytes and their characters, Windows reads and writes them.
    const std::map<std::string, std::string> windowsSingles = {
        {"\x80", "\u0080"}, {"\xA0", "\uF8F0"}, {"\xFD", "\uF8F1"},
        {"\xFE", "\uF8F2"}, {"\xFF", "\uF8F3"},
    };
    Iconv decoder("UTF-8", "CP932");
    Iconv encoder("CP932", "UTF-8");
    Iconv utf32("UTF-8", "UTF-32LE");
    std::vector<std::string> differ;
    for (int first = 0x80; first < 0x100; ++first) {
        const std::string one(1, static_cast<char>(first));
        std::string expected;
        const int err = decoder.convert(one, expected);
        if (const auto windows = windowsSingles.find(one); windows != windowsSingles.end()) {
            if (err != EILSEQ || decodeCp932(one) != windows->second) differ.push_back(one);
            const EncodeResult back = encodeCp932(windows->second);
            std::string iconvWrites;
            if (encoder.convert(windows->second, iconvWrites) != EILSEQ || back.bytes != one)
                differ.push_back(windows->second);
            continue;
        }
        if (err != EINVAL) {
            if (decodeCp932(one) != (err == 0 ? expected : "\uFFFD")) differ.push_back(one);
            continue;
        }
        for (int second = 0; second < 0x100; ++second) {
            const std::string pair = one + static_cast<char>(second);
            const std::string ours = decodeCp932(pair);
            const bool valid = decoder.convert(pair, expected) == 0;
            if (valid ? ours != expected : ours.rfind("\uFFFD", 0) != 0) differ.push_back(pair);
        }
    }
    EXPECT_TRUE(differ.empty()) << differ.size() << " sequences read differently";

    // Every character of the BMP is written as iconv writes it.
    differ.clear();
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        if (cp == 0x80 || (cp >= 0xF8F0 && cp <= 0xF8F3)) continue;  // Windows' singles, above
        const char utf32le[4] = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8), 0, 0};
        std::string utf8;
        std::string expected;
        utf32.convert(std::string_view(utf32le, 4), utf8);
        const bool fits = encoder.convert(utf8, expected) == 0;
        const EncodeResult r = encodeCp932(utf8, '\0');
        const bool same = fits ? r.unencodable.empty() && r.bytes == expected
                               : r.unencodable.size() == 1 && r.bytes.empty();
        if (!same) differ.push_back(codePointLabel(cp));
    }
    EXPECT_TRUE(differ.empty()) << differ.size() << " characters written differently, first "
                                << differ.front();

    // Where the NEC and IBM rows hold the same character, both read as it and the one
    // Windows writes is written.
    EXPECT_EQ(decodeCp932("\xEE\xEF\xFA\x40\x87\x90\x81\xE0"), "ⅰⅰ≒≒");
    EXPECT_EQ(encodeCp932("ⅰ≒").bytes, "\xFA\x40\x81\xE0");
}

TEST(Cp932, CommittedDataIsWhatItsGeneratorWrites) {
    // The tables in the program are data generated from iconv; edited by hand, or left
    // behind when the generator changed, they would no longer be what the tests above
    // compare against iconv at run time.
    test::TempDir dir;
    const std::string command = std::string("'") + NORVELLE_GEN_CP932_DATA + "' >generated.inc";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string generated = test::readBytes("generated.inc");
    ASSERT_FALSE(generated.empty());
    EXPECT_TRUE(generated == test::readBytes(NORVELLE_CP932_DATA))
        << "src/core/text/Cp932Data.inc differs from what tools/gen_cp932_data.cpp writes";
}

TEST(Cp932, ReadmesRenderTheSameWhereTheSystemCannotConvert) {
    // Users whose C library has no CP932 converter, or cannot load it (no module, too few
    // file descriptors, a GCONV_PATH that renames it), get the same Readme. The plugin holds
    // every character of the code page; the software name is Japanese.
    test::TempDir dir;
    Iconv decoder("UTF-8", "CP932");
    std::string plugin = test::sjis("[$ソフト名]\r\n") + "\x80\xFD\xFE\xFF";
    std::string out;
    for (int b = 0xA0; b < 0xE0; ++b) plugin += static_cast<char>(b);
    for (int lead = 0x81; lead < 0x100; ++lead) {
        plugin += "\r\n";
        for (int trail = 0x40; trail < 0x100; ++trail) {
            const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
            if (decoder.convert(pair, out) == 0) plugin += pair;
        }
    }
    test::writeBytes("p.spd", plugin);
    SoftwareData form;
    form.softwareName = "表計算ソフト";
    test::writeBytes("data.sft", encodeCp932(formatSoftwareDataFile(form, "2.06")).bytes);

    struct Run {
        int code;
        std::string out;
        std::string err;
    };
    auto render = [](const std::string& environment) {
        const std::string command = environment + "'" + NORVELLE_CLI +
                                    "' render --data data.sft --plugin p.spd"
                                    " >stdout.bin 2>stderr.txt";
        const int status = std::system(command.c_str());
        return Run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readBytes("stdout.bin"),
                   test::readBytes("stderr.txt")};
    };
    const Run normal = render("");
    ASSERT_EQ(normal.code, 0) << normal.err;
    ASSERT_GT(normal.out.size(), plugin.size() / 2);

    // CP932 renamed to a converter that does not exist: glibc believes it, iconv fails.
    test::writeBytes("gconv-modules", "alias CP932// NO-SUCH-CONVERTER//\n");
    const std::string noConverter = "GCONV_PATH='" + dir.path() + "' ";
    const std::string iconvThere = noConverter + "iconv -f CP932 -t UTF-8 p.spd >/dev/null 2>&1";
    ASSERT_NE(std::system(iconvThere.c_str()), 0);
    const Run r = render(noConverter);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out == normal.out);
    EXPECT_EQ(r.err, normal.err);
}

}  // namespace
}  // namespace norvelle
