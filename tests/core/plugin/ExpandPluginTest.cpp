#include "core/plugin/ExpandPlugin.h"

#include "core/io/FileResult.h"
#include "core/text/Cp932.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace norvelle {
namespace {

using test::sjis;
using test::TempDir;
using test::writeBytes;

// The form of the worked examples.
SoftwareData exampleForm() {
    SoftwareData d;
    d.softwareName = "Example";
    d.version = "Ver 1.00";
    d.copyright = "ABC";
    d.softwareType = "フリーウエア";
    d.fee = "\\500";
    d.additional = {"x", "y", "", ""};
    d.neededFiles = {{"A.DLL", true}, {"C.DLL", false}, {"B.DLL", true}};
    return d;
}

// A form in which every field holds something else.
SoftwareData otherForm() {
    SoftwareData d;
    d.softwareName = d.version = d.copyright = d.softwareType = d.fee = "other";
    d.email = d.homePage = "other";
    d.additional = {"1", "2", "3", "4"};
    d.neededFiles = {{"Z.DLL", true}};
    return d;
}

TEST(ExpandTemplate, WorkedExamples) {
    struct Row {
        const char* line;
        const char* expanded;  // with the example form
        bool anyForm;          // the same with any form
    };
    const Row rows[] = {
        {"ソフト名：[$ソフト名]", "ソフト名：Example", false},
        {"[$バージョン] / [$著作権]", "Ver 1.00 / ABC", false},
        {"[$add1][$add2]", "xy", false},
        {"必要なもの：[$必要ファイル]", "必要なもの：A.DLL、B.DLL", false},
        {"[$Email] [$] [$ hp]", "[$Email] [$] [$ hp]", true},
        {"料金 [$シェア] 円 [$種別", "料金 \\500 円 [$種別", false},
        {"[$a[$ソフト名]", "[$a[$ソフト名]", true},
        {"]][$種別]", "]]フリーウエア", false},
        {"", "", true},
    };
    std::string plugin;
    std::string readme;
    for (const Row& row : rows) {
        // Each line as a plugin of its own, with its line break.
        const std::string line = std::string(row.line) + "\r\n";
        const std::string expanded = std::string(row.expanded) + "\r\n";
        EXPECT_EQ(expandTemplate(line, exampleForm()), expanded) << row.line;
        if (row.anyForm) {
            EXPECT_EQ(expandTemplate(line, otherForm()), expanded) << row.line;
        }
        plugin += line;
        readme += expanded;
    }
    // All of them as one plugin: one line out per line in.
    EXPECT_EQ(expandTemplate(plugin, exampleForm()), readme);
}

TEST(ExpandTemplate, MarkersWithinALine) {
    SoftwareData d = exampleForm();
    d.email = "";
    d.homePage = "unknown...";
    d.additional[2] = "[$ソフト名]";
    auto one = [&d](std::string_view line) {
        std::string out = expandTemplate(line, d);
        EXPECT_EQ(out.substr(out.size() - 2), "\r\n") << line;
        return out.substr(0, out.size() - 2);
    };
    EXPECT_EQ(one("no markers at all ] [ $"), "no markers at all ] [ $");
    EXPECT_EQ(one("[$ソフト名][$バージョン][$著作権]"), "ExampleVer 1.00ABC");
    EXPECT_EQ(one("mail:  [$email]  end"), "mail:    end");  // an empty field leaves no trace
    EXPECT_EQ(one("web [$hp] here"), "web [$hp] here");      // a field reading "unknown..."
    EXPECT_EQ(one("[$add3] / [$add1]"), "[$ソフト名] / x");  // values are not expanded again
    EXPECT_EQ(one("[$add1] and [$add2] and [$add1"), "x and y and [$add1");
    EXPECT_EQ(one("] [$add1] ]"), "] x ]");
    EXPECT_EQ(one("[$[$add1]"), "[$[$add1]");  // the name is "[$add1"
    EXPECT_EQ(one("[$$]$[$add2]"), "[$$]$y");
    EXPECT_EQ(one("[ $add1] [$add1 ]"), "[ $add1] [$add1 ]");
    EXPECT_EQ(one("[$"), "[$");
    EXPECT_EQ(one("text[$add2]"), "texty");
    EXPECT_EQ(one("[$ソフト\n名] [$add1]"), "[$ソフト\n名] x");  // a LF alone is in the line

    // A field holding exactly "unknown..." keeps its marker, whatever it is.
    d.neededFiles = {{"unknown...", true}};
    EXPECT_EQ(one("[$必要ファイル]"), "[$必要ファイル]");
    d.neededFiles = {{"unknown..", true}};
    EXPECT_EQ(one("[$必要ファイル]"), "unknown..");
}

TEST(ExpandTemplate, LineEnds) {
    const SoftwareData d = exampleForm();
    EXPECT_EQ(expandTemplate("", d), "");
    EXPECT_EQ(expandTemplate("\r\n", d), "\r\n");
    EXPECT_EQ(expandTemplate("[$add1]\r\r\n\r[$add2]\r\n", d), "x\r\n\r\n\r\ny\r\n");
    // A marker never spans two lines.
    EXPECT_EQ(expandTemplate("[$add\r\n1]", d), "[$add\r\n1]\r\n");
    EXPECT_EQ(expandTemplate("[$add\r1]", d), "[$add\r\n1]\r\n");
}

class ExpandPluginFile : public ::testing::Test {
protected:
    TempDir dir;

    // Expands a plugin file and gives the result in code page 932, as it would be saved.
    std::string expandFile(const std::string& name, const SoftwareData& d) {
        const ExpandResult r = ExpandPlugin(name, d);
        EXPECT_TRUE(r.ok) << r.error;
        EXPECT_FALSE(r.error);
        return sjis(r.text);
    }
};

TEST_F(ExpandPluginFile, ReadsCodePage932AndItsLineEnds) {
    SoftwareData d = exampleForm();
    d.softwareName = "表示ソフト";  // 0x5C trail bytes in a value
    writeBytes("crlf.spd", sjis("名前：[$ソフト名]\r\n種別：[$種別]\r\n"));
    EXPECT_EQ(expandFile("crlf.spd", d), sjis("名前：表示ソフト\r\n種別：フリーウエア\r\n"));

    writeBytes("cr.spd", sjis("一[$add1]\r二\r\r三"));
    EXPECT_EQ(expandFile("cr.spd", d), sjis("一x\r\n二\r\n\r\n三\r\n"));

    writeBytes("lf.spd", sjis("上\n下 [$add2]"));
    EXPECT_EQ(expandFile("lf.spd", d), sjis("上\n下 y\r\n"));

    // Bytes that look like marker characters inside double-byte characters are no markers:
    // ゼ is 0x83 0x5B ("[" as trail byte), ゾ is 0x83 0x5D ("]"), ソ is 0x83 0x5C.
    writeBytes("trail.spd", sjis("ゼ$ソフト名] [$ゾ] [$ソフト名]ゾ\r\n"));
    EXPECT_EQ(expandFile("trail.spd", d), sjis("ゼ$ソフト名] [$ゾ] 表示ソフトゾ\r\n"));

    writeBytes("empty.spd", "");
    EXPECT_EQ(expandFile("empty.spd", d), "");

    writeBytes("Upper.SPD", sjis("[$add1]"));
    EXPECT_EQ(expandFile("Upper.SPD", d), "x\r\n");
}

TEST_F(ExpandPluginFile, LongPluginsExpandCompletely) {
    std::string plugin;
    std::string readme;
    for (int i = 1; i <= 600; ++i) {
        plugin += std::to_string(i) + "行目 [$ソフト名]\r\n";
        readme += std::to_string(i) + "行目 Example\r\n";
    }
    plugin += "最後の行 [$add2]";  // no line break after the last line
    readme += "最後の行 y\r\n";
    writeBytes("long.spd", sjis(plugin));
    EXPECT_EQ(expandFile("long.spd", exampleForm()), sjis(readme));
}

TEST_F(ExpandPluginFile, LargePluginsReadAsOneText) {
    // Pieces of every kind in a random order, several times the size in which a file is
    // taken in: line breaks of each kind, markers, a lead byte before a CR, a very long line.
    const std::string pieces[] = {sjis("ソフト名は[$ソフト名]です"),
                                  "\r\n",
                                  "\r",
                                  "\n",
                                  sjis("表\n示"),
                                  "[$add1]",
                                  "\x83",
                                  sjis("[$未知]"),
                                  "[$",
                                  "]",
                                  "\r\n\r\n",
                                  sjis("ゾ")};
    std::string bytes;
    unsigned seed = 7;
    for (int i = 0; i < 40000; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes += pieces[(seed >> 16) % std::size(pieces)];
        if (i == 20000) bytes += std::string(100000, 'a') + "[$add2]";
    }
    writeBytes("large.spd", bytes);
    const SoftwareData d = exampleForm();
    const ExpandResult r = ExpandPlugin("large.spd", d);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.text == expandTemplate(decodeCp932(bytes), d));
}

TEST_F(ExpandPluginFile, PluginsThatCannotBeReadAreReported) {
    ExpandResult r = ExpandPlugin("absent.spd", exampleForm());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(r.error, errnoError(ENOENT));

    std::filesystem::create_directory("folder.spd");
    r = ExpandPlugin("folder.spd", exampleForm());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, errnoError(EISDIR));
}

}  // namespace
}  // namespace norvelle
