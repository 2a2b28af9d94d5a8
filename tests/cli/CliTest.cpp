#include "cli/CliTestSupport.h"

#include "core/document/SoftwareDataFile.h"
#include "core/io/AtomicFileWriter.h"
#include "core/lists/RegisteredLists.h"
#include "core/plugin/ExpandPlugin.h"
#include "core/plugin/MarkdownReadme.h"
#include "core/text/Cp932.h"
#include "core/text/TextEncoding.h"
#include "support/SampleForms.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace norvelle::cli {
namespace {

using test::exists;
using test::readBytes;
using test::sjis;
using test::TempDir;
using test::trickyForm;
using test::writeBytes;


TEST_F(Cli, RenderWritesWhatTheWindowSavesForTheShippedPlugins) {
    writeBytes("Needfiles.dat", sjis("COMCTL32.OCX\r\n自作ライブラリ.DLL\r\n"));
    SoftwareData form = trickyForm({"COMCTL32.OCX", "自作ライブラリ.DLL"});
    // Single bytes that Windows reads as characters of their own, in a field and a plugin
    // written there: they come back as the same bytes.
    const std::string windowsBytes = "\x80\xA0\xFD\xFE\xFF";
    const std::string windowsText = "\u0080\uF8F0\uF8F1\uF8F2\uF8F3";
    form.additional[2] = windowsText;
    writeSoftwareData("data.sft", form);
    ASSERT_NE(readBytes("data.sft").find(windowsBytes), std::string::npos);

    std::vector<std::string> plugins;
    for (const auto& entry : std::filesystem::directory_iterator(NORVELLE_SHIPPED_PLUGINS))
        plugins.push_back(entry.path().string());
    plugins.push_back("own.spd");
    writeBytes("own.spd", sjis("[$ソフト名]\r\n[$転載]\r[$動作確認]\n[$必要ファイル][$add4]\r\n") +
                              windowsBytes + "[$add3]");
    ASSERT_GE(plugins.size(), 4u);

    // The form as the window holds it after loading the file.
    SoftwareData loaded = form;
    applySoftwareDataFile(parseSoftwareDataFile(decodeCp932(readBytes("data.sft"))), loaded);
    std::filesystem::create_directory("out");
    for (const std::string& plugin : plugins) {
        // A Markdown plugin is laid out as Markdown wants it; outside Markdown readers check
        // its Readme (markdown_plugin.sh), and the window's is the same (Form5Test).
        if (plugin.ends_with(".md.spd")) continue;
        // The preview window saves the expanded text and one more line break, in the
        // plugin's encoding, with the fee's "\" as the yen sign in UTF-8.
        const std::string bytes = readBytes(plugin);
        const TextEncoding encoding = detectEncoding(bytes);
        const SoftwareData facts = readmeFacts(loaded, false, encoding != TextEncoding::Cp932);
        const std::string saved =
            encodeText(expandTemplate(decodeText(bytes, encoding), facts) + "\r\n", encoding)
                .bytes;
        const Outcome toStdout = cli({"render", "--data", "data.sft", "--plugin", plugin});
        EXPECT_EQ(toStdout.code, kExitOk) << toStdout.err;
        EXPECT_EQ(toStdout.out, saved) << plugin;
        EXPECT_EQ(toStdout.err, "");

        const Outcome toFile = cli({"render", "--plugin=" + plugin, "--data=data.sft", "--output",
                                    "out/Readme.txt", "--strict"});
        EXPECT_EQ(toFile.code, kExitOk) << toFile.err;
        EXPECT_EQ(toFile.out, "");
        EXPECT_EQ(readBytes("out/Readme.txt"), saved) << plugin;
    }
    EXPECT_EQ(readBytes("out/Readme.txt"), sjis("\"引用\", 1\r\n[$ソフト名]\r\n[$動作確認]"
                                                "\nDirect X 7.0、自作ライブラリ.DLL〜\r\n") +
                                               windowsBytes + windowsBytes + "\r\n\r\n");

    // The wave dash comes back from code page 932 as the full-width tilde.
    const std::string waveDash = decodeCp932(sjis("〜"));
    // The needed files are those of the lists folder; elsewhere the same positions name
    // other entries or none.
    std::filesystem::create_directory("lists");
    writeBytes("lists/Needfiles.dat", "A.DLL\r\n");
    EXPECT_EQ(cli({"render", "--data", "data.sft", "--plugin", "own.spd", "--lists-dir", "lists",
                   "--encoding", "utf-8"})
                  .out,
              "\"引用\", 1\r\n[$ソフト名]\r\n[$動作確認]\nDirect X 7.0" + waveDash + "\r\n" +
                  windowsText + windowsText + "\r\n\r\n");
}

// Plugins of each kind: the Readme is written as its plugin is unless --encoding says
// otherwise, and check counts columns in characters whatever the kind.
TEST_F(Cli, TheReadmeIsWrittenAsItsPluginIs) {
    const std::string mark(kUtf8Bom);
    writeBytes("sjis.spd", sjis("ソ[$Email] [$ソフト名]\r\n表\r\n"));
    test::writeUtf8Plugin("notepad.spd", "𠮷[$Email] [$ソフト名]\r\n表\r\n");
    test::writeUtf8Plugin("README.md.spd", mark + "𠮷[$Email] [$ソフト名]\r\n表\r\n");
    test::writePlugin("le.spd", encodeText("𠮷[$Email] [$ソフト名]\r\n表\r\n", TextEncoding::Utf16Le).bytes,
                      TextEncoding::Utf16Le);
    test::writePlugin("be.spd", encodeText("𠮷[$Email] [$ソフト名]\r\n表\r\n", TextEncoding::Utf16Be).bytes,
                      TextEncoding::Utf16Be);
    SoftwareData d;
    d.softwareName = "表示";
    writeSoftwareData("data.sft", d);

    const std::string utf8 = "𠮷[$Email] 表示\r\n表\r\n\r\n";
    const std::string markdown = "𠮷[$Email] 表示\r\n表\r\n";  // no line break after the last
    const struct {
        std::string plugin;
        std::string readme;
        std::string asCp932;  // --encoding cp932; empty: code page 932 cannot hold it
        std::string asUtf8;
    } rows[] = {
        {"sjis.spd", sjis("ソ[$Email] 表示\r\n表\r\n\r\n"), sjis("ソ[$Email] 表示\r\n表\r\n\r\n"),
         "ソ[$Email] 表示\r\n表\r\n\r\n"},
        {"notepad.spd", utf8, "", utf8},
        {"README.md.spd", mark + markdown, "", markdown},
        {"le.spd", encodeText(utf8, TextEncoding::Utf16Le).bytes, "", utf8},
        {"be.spd", encodeText(utf8, TextEncoding::Utf16Be).bytes, "", utf8},
    };
    for (const auto& row : rows) {
        const std::vector<std::string> render = {"render", "--data", "data.sft", "--plugin",
                                                 row.plugin};
        EXPECT_EQ(cli(render).out, row.readme) << row.plugin;
        auto with = [&](const char* encoding) {
            std::vector<std::string> args = render;
            args.insert(args.end(), {"--encoding", encoding});
            return cli(args);
        };
        const Outcome cp932 = with("cp932");
        EXPECT_EQ(cp932.code, row.asCp932.empty() ? kExitUnencodable : kExitOk) << row.plugin;
        EXPECT_EQ(cp932.out, row.asCp932) << row.plugin;
        EXPECT_EQ(with("utf-8").out, row.asUtf8) << row.plugin;

        const Outcome check = cli({"check", row.plugin});
        EXPECT_EQ(check.code, kExitMarkerProblems);
        EXPECT_EQ(check.out, row.plugin + ":1:2: unknown marker [$Email]\n");
    }

    // UTF-16 without its mark is refused with the reason, nothing written; the byte that made
    // a UTF-8 plugin code page 932 is named, and check counts it.
    writeBytes("nomark.spd", std::string("[\0$\0a\0d\0d\0" "1\0]\0\r\0\n\0", 18));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", "nomark.spd"},
          {"render", "--data", "data.sft", "--plugin", "nomark.spd"}}) {
        const Outcome refused = cli(args);
        EXPECT_EQ(refused.code, kExitIoError) << args[0];
        EXPECT_EQ(refused.out, "") << args[0];
        EXPECT_NE(refused.err.find("nomark.spd: cannot read: it holds NUL bytes and has no "
                                   "byte-order mark: UTF-16 without a mark"),
                  std::string::npos)
            << refused.err;
    }
    writeBytes("stray.spd", "[$ソフト名]\r\n表示\x83です\r\n");  // read as code page 932
    const std::string stray =
        "stray.spd:2:3: byte 0x83 is not UTF-8: the plugin was read as code page 932 because of it";
    const Outcome checked = cli({"check", "stray.spd"});
    EXPECT_EQ(checked.code, kExitMarkerProblems);
    EXPECT_EQ(checked.out.substr(0, checked.out.find('\n')), stray);
    const Outcome rendered = cli({"render", "--data", "data.sft", "--plugin", "stray.spd",
                                  "--replace-unencodable"});
    EXPECT_EQ(rendered.code, kExitOk);
    EXPECT_EQ(rendered.err.substr(0, rendered.err.find('\n')), "norvelle-cli: " + stray);
    const Outcome linted = cli({"lint", "stray.spd"});
    EXPECT_EQ(linted.err, "norvelle-cli: stray.spd:2:3: byte 0x83 is not UTF-8: the Readme was "
                          "read as code page 932 because of it\n");
}

TEST_F(Cli, ErrorsNameTheFileAndEndWithTheirOwnCode) {
    SoftwareData form;
    form.softwareName = "名前";
    writeSoftwareData("data.sft", form);
    writeSoftwareData("old.sft", form, "2.04");
    writeBytes("empty.sft", "");
    writeBytes("big.sft", std::string(kMaxSoftwareDataFileSize + 1, '"'));
    writeBytes("p.spd", sjis("[$ソフト名]\r\n"));
    std::filesystem::create_directory("folder");

    const struct {
        std::vector<std::string> args;
        int code;
        std::string mentioned;
    } cases[] = {
        {{}, kExitUsage, "command"},
        {{"make"}, kExitUsage, "unknown command make"},
        {{"render", "--data", "d", "--plugin", "p", "--encoding", "sjis"}, kExitUsage, "sjis"},
        {{"render", "--plugin", "p.spd"}, kExitUsage, "--data"},
        {{"render", "--data", "data.sft", "--plugin"}, kExitUsage, "--plugin"},
        {{"render", "--data", "a", "--data", "b", "--plugin", "p.spd"}, kExitUsage, "twice"},
        {{"show", "--data", "data.sft", "--quiet"}, kExitUsage, "--quiet"},
        // Each command takes its own options only.
        {{"show", "--data", "data.sft", "--encoding", "cp932"}, kExitUsage, "--encoding"},
        {{"check", "--json", "p.spd"}, kExitUsage, "--json"},
        {{"render", "--data", "missing.sft", "--plugin", "p.spd"},
         kExitIoError,
         "missing.sft: cannot read: No such file or directory"},
        {{"render", "--data", "data.sft", "--plugin", "folder"},
         kExitIoError,
         "folder: cannot read: Is a directory"},
        {{"show", "--data", "data.sft", "--lists-dir", "nowhere"},
         kExitIoError,
         "nowhere: cannot read"},
        {{"render", "--data", "data.sft", "--plugin", "p.spd", "--output", "nowhere/R.txt"},
         kExitIoError,
         "nowhere/R.txt: cannot write: No such file or directory"},
        {{"show", "--data", "old.sft"}, kExitNotSoftwareData, "\"Norvelle Ver 2.04\""},
        {{"show", "--data", "big.sft"}, kExitNotSoftwareData, "larger than 1 MiB"},
        {{"render", "--data", "empty.sft", "--plugin", "p.spd"},
         kExitNotSoftwareData,
         "the file is empty"},
    };
    for (const auto& c : cases) {
        const Outcome r = cli(c.args);
        const std::string shown = c.args.empty() ? "(none)" : c.args.back();
        EXPECT_EQ(r.code, c.code) << shown;
        EXPECT_EQ(r.out, "") << shown;
        const std::vector<std::string> said = lines(r.err);
        ASSERT_FALSE(said.empty()) << shown;
        EXPECT_EQ(said.size(), c.code == kExitNotSoftwareData ? 2u : 1u) << r.err;
        EXPECT_NE(r.err.find(c.mentioned), std::string::npos) << r.err;
        EXPECT_EQ(said[0].rfind("norvelle-cli: ", 0), 0u) << r.err;
        if (c.code == kExitNotSoftwareData) {
            EXPECT_NE(said[0].find("これは、Norvelle Ver 2.0xのソフトデータではありません"),
                      std::string::npos);
        }
    }
    EXPECT_FALSE(exists("nowhere"));

    // A Needfiles.dat that cannot be read would quietly change the needed files.
    std::filesystem::create_directory("Needfiles.dat");
    const Outcome lists = cli({"render", "--data", "data.sft", "--plugin", "p.spd"});
    EXPECT_EQ(lists.code, kExitIoError);
    EXPECT_EQ(lists.err, "norvelle-cli: Needfiles.dat: cannot read: Is a directory\n");

    const Outcome help = cli({"render", "--help"});
    EXPECT_EQ(help.code, kExitOk);
    for (const char* code : {"0  ", "1  ", "2  ", "3  ", "4  ", "5  "})
        EXPECT_NE(help.out.find(std::string("\n  ") + code), std::string::npos) << code;
}

TEST_F(Cli, NothingIsWrittenUnlessTheWholeReadmeIsRight) {
    // Bytes that are not code page 932 read as U+FFFD, which code page 932 cannot write.
    writeBytes("data.sft", sjis("\"Norvelle Ver 2.00\"\r\n\"名前") + "\x81\x20" + "\"\r\n");
    writeBytes("p.spd", sjis("一行目\r\n名前：[$ソフト名] [$Email]\r\n"));
    writeBytes("Readme.txt", "old\r\n");
    const std::vector<std::string> render = {"render", "--data",   "data.sft",  "--plugin",
                                             "p.spd",  "--output", "Readme.txt"};

    Outcome r = cli(render);
    EXPECT_EQ(r.code, kExitUnencodable);
    EXPECT_EQ(lines(r.err).at(0),
              "norvelle-cli: Readme.txt:2:6: U+FFFD cannot be written in code page 932 (it "
              "stands for bytes that are not code page 932)");
    EXPECT_EQ(lines(r.err).size(), 2u);
    EXPECT_EQ(readBytes("Readme.txt"), "old\r\n");
    EXPECT_EQ(cli({"render", "--data", "data.sft", "--plugin", "p.spd"}).out, "");  // stdout

    std::vector<std::string> replacing = render;
    replacing.push_back("--replace-unencodable");
    r = cli(replacing);
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_NE(r.err.find("Readme.txt:2:6: U+FFFD written as \"?\""), std::string::npos);
    EXPECT_EQ(readBytes("Readme.txt"), sjis("一行目\r\n名前：名前?  [$Email]\r\n\r\n"));

    // --strict checks the markers first and keeps the old file when they are wrong.
    writeBytes("Readme.txt", "old\r\n");
    replacing.push_back("--strict");
    r = cli(replacing);
    EXPECT_EQ(r.code, kExitMarkerProblems);
    EXPECT_EQ(lines(r.err).at(0), "norvelle-cli: p.spd:2:12: unknown marker [$Email]");
    EXPECT_EQ(readBytes("Readme.txt"), "old\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);

    // Running out of memory half way is one more failure: one line, the old file kept.
    setWriteFaultInjector([](std::string_view step, const std::string&) -> std::error_code {
        if (step == "write") throw std::bad_alloc();
        return {};
    });
    replacing.pop_back();
    r = cli(replacing);
    setWriteFaultInjector(nullptr);
    EXPECT_EQ(r.code, kExitIoError);
    EXPECT_EQ(r.err, "norvelle-cli: out of memory\n");
    EXPECT_EQ(readBytes("Readme.txt"), "old\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST_F(Cli, CheckListsEveryProblemOfEveryPlugin) {
    writeBytes("good.spd", sjis("[$ソフト名]\r\n"));
    writeBytes("bad.spd", sjis("[$email] [$EMAIL]\r\n\r\nｿﾌﾄ [$種別\x1b[2J\r\n"));
    EXPECT_EQ(cli({"check", "good.spd"}).code, kExitOk);
    EXPECT_EQ(cli({"check", "good.spd"}).out, "");

    const Outcome r = cli({"check", "good.spd", "bad.spd", "missing.spd"});
    EXPECT_EQ(r.code, kExitIoError);  // a plugin that could not be checked counts most
    EXPECT_EQ(r.out,
              "bad.spd:1:10: unknown marker [$EMAIL]\n"
              "bad.spd:3:5: unclosed \"[$\": [$種別\\x1B[2J\n");
    EXPECT_EQ(lines(r.err).size(), 1u);
    EXPECT_EQ(cli({"check", "good.spd", "bad.spd"}).code, kExitMarkerProblems);

    // A file name is text from anyone: it must not start a new line or talk to the terminal.
    // Windows lets no file have such a name; it can still be given on the command line.
    const std::string named = "t\x1b]0;PWNED\a\n\xC2\x9B.spd";
    const std::string shown = "t\\x1B]0;PWNED\\x07\\x0A\\xC2\\x9B.spd";
    if (!test::kOnWindows) {
        writeBytes(named, "[$Email]\r\n");
        const Outcome odd = cli({"check", named, named + "x"});
        EXPECT_EQ(odd.out, shown + ":1:1: unknown marker [$Email]\n");
        EXPECT_EQ(odd.err,
                  "norvelle-cli: " + shown + "x: cannot read: No such file or directory\n");
    }
    const Outcome odd = cli({"check", named + "x"});
    EXPECT_EQ(lines(odd.err).size(), 1u);
    EXPECT_TRUE(odd.err.starts_with("norvelle-cli: " + shown + "x: cannot read: ")) << odd.err;

    // A line longer than any plugin has makes the file no plugin.
    writeBytes("long.spd", "[$Email]\r\n" + std::string((1 << 20) + 1, 'x') + "\r\n");
    const Outcome longLine = cli({"check", "long.spd"});
    EXPECT_EQ(longLine.code, kExitIoError);
    EXPECT_EQ(longLine.err,
              "norvelle-cli: long.spd:2: cannot read: a line longer than 1 MiB, which no plugin "
              "has\n");
}

TEST_F(Cli, LintListsWhatOtherSystemsGarbleInEachReadme) {
    std::string longLine;
    for (int i = 0; i < 4; ++i) longLine += "この行はとても長い行です。";  // 104 columns
    writeBytes("Readme.txt",
               sjis("丸数字の①\r\nｱ\r\n" + longLine + "\r\n[$ソフト名] [$\r\nベル\a\r\n"));
    // What is in JIS X 0208 is no finding, nor in a UTF-8 Readme what code page 932 alone
    // garbles; a Markdown Readme's lines are its author's to break.
    writeBytes("clean.txt", sjis("〜≒∵¬ はどこでも読めます。\r\n"));
    writeBytes("README.md", "# ①ｱ " + longLine + "\n");

    const std::vector<std::string> found = {
        "Readme.txt:1:5: platform-dependent: U+2460 ① is in the NEC extensions of code page "
        "932; other systems may show another character",
        "Readme.txt:2:1: halfwidth-kana: U+FF71 ｱ is half-width katakana, which mail and many "
        "sites garble",
        "Readme.txt:3:41: too-wide: the line is 104 columns wide, more than 80",
        "Readme.txt:4:1: marker: [$ソフト名] left as written",
        "Readme.txt:5:3: control: U+0007 is a control character; viewers show it differently "
        "or not at all",
    };
    const Outcome r = cli({"lint", "Readme.txt"});
    EXPECT_EQ(r.code, kExitMarkerProblems);
    EXPECT_EQ(lines(r.out), found);
    EXPECT_EQ(r.err, "");
    const Outcome clean = cli({"lint", "clean.txt", "README.md"});
    EXPECT_EQ(clean.code, kExitOk);
    EXPECT_EQ(clean.out + clean.err, "");

    // A file that cannot be read counts most, and the files after it are still checked.
    const Outcome missing = cli({"lint", "--width=120", "missing.txt", "Readme.txt"});
    EXPECT_EQ(missing.code, kExitIoError);
    std::vector<std::string> wider = found;
    wider.erase(wider.begin() + 2);
    EXPECT_EQ(lines(missing.out), wider);
    EXPECT_EQ(missing.err, "norvelle-cli: missing.txt: cannot read: No such file or directory\n");

    for (const char* width : {"0", "1001", "-5", "8x", "eighty"}) {
        const Outcome bad = cli({"lint", "--width", width, "Readme.txt"});
        EXPECT_EQ(bad.code, kExitUsage) << width;
        EXPECT_EQ(bad.out, "") << width;
        EXPECT_EQ(lines(bad.err).size(), 1u) << width;
    }
    EXPECT_EQ(cli({"lint", "--width", "1000", "Readme.txt"}).code, kExitMarkerProblems);
    EXPECT_EQ(cli({"lint"}).code, kExitUsage);
}


}  // namespace
}  // namespace norvelle::cli
