#include "core/plugin/PluginStream.h"

#include "core/io/FileReader.h"
#include "core/plugin/ExpandPlugin.h"
#include "core/plugin/PluginFile.h"
#include "core/text/Cp932.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace norvelle {
namespace {

using test::sjis;
using test::TempDir;
using test::writeBytes;

// Line ends of every kind, markers of every kind, ソ and ー (whose second bytes are "\" and
// "["), bytes that are not code page 932, duplicate codes of the NEC and IBM extensions
// (written back as other codes) and a last line without a line break.
std::string trickyPlugin() {
    std::string bytes = sjis("ソフト名：[$ソフト名]\r\nソ[$email]ー$ [$add4]\r");
    bytes += "LF\nalone [$hp][$Email]\r\n\r\r\n";
    bytes += "broken \x81\x20 pair " + sjis("[$必要ファイル] [$閉じていない\r\n");
    bytes += sjis(std::string(70, 'x') + "[$バージョン]長い行\r\n");
    // A value that ends in a CR, before a LF of the plugin: one line end between them.
    bytes += sjis("[$add2]\nafter [$add4] [$add4]\r\n[$add1]\r\n[$add3]\r\n");
    bytes += "NEC \x87\x90, IBM \xED\x40 \xFA\x4A " + sjis("[$ソフト名]\r\n");
    bytes += "lead byte at the end \x82";
    return bytes;
}

SoftwareData form() {
    SoftwareData d;
    d.softwareName = "テスト";
    d.version = "Ver 1.00";
    d.email = "a@example.org";
    d.homePage = "http://example.org/";
    // Long values put a four-byte character and a CR LF where the encoder's 64 KiB slices
    // meet, when the text before them has been flushed.
    const std::string slice(65535, 'a');
    d.additional = {slice + "😀", "二行\r\nの値\r", slice + "\r\n😀", "絵文字😀は書けない"};
    d.neededFiles = {{"MFC42.DLL", true}, {"X.DLL", false}, {"MY.DLL", true}};
    return d;
}

class PluginStream : public ::testing::Test {
protected:
    TempDir dir;

    RenderResult render(const std::string& bytes, const RenderOptions& options, std::string& out,
                        std::vector<Unencodable>* unencodable = nullptr,
                        std::vector<MarkerProblem>* problems = nullptr) {
        writeBytes("p.spd", bytes);
        FileReader file;
        EXPECT_FALSE(file.open("p.spd"));
        RenderSinks sinks;
        sinks.write = [&out](std::string_view b) {
            out.append(b);
            return std::error_code();
        };
        if (unencodable)
            sinks.unencodable = [unencodable](const Unencodable& u) { unencodable->push_back(u); };
        if (problems)
            sinks.markerProblem = [problems](const MarkerProblem& p) { problems->push_back(p); };
        return renderReadme(pluginSource(file), form(), options, sinks);
    }
};

TEST_F(PluginStream, BlocksHoldWholeLinesAndMakeUpTheFile) {
    const std::string bytes = trickyPlugin();
    writeBytes("p.spd", bytes);
    for (std::size_t size = 1; size <= bytes.size() + 1; ++size) {
        FileReader file;
        ASSERT_FALSE(file.open("p.spd"));
        PluginBlockReader reader(pluginSource(file), size);
        std::string joined;
        std::string_view block;
        while (!reader.next(block) && !block.empty()) {
            joined.append(block);
            // A block ends after a line end, except the last one of the file.
            if (joined.size() < bytes.size()) {
                EXPECT_TRUE(block.back() == '\n' || block.back() == '\r') << size;
                EXPECT_NE(bytes[joined.size()], '\n') << size;
            }
        }
        EXPECT_EQ(joined, bytes) << size;
    }
}

TEST_F(PluginStream, WritesWhatThePreviewWindowSavesForEveryBlockSize) {
    const std::string bytes = trickyPlugin();
    // The window: the plugin decoded whole and expanded, then one more line break, encoded.
    const std::string expanded = expandTemplate(decodeCp932(bytes), form());
    const EncodeResult saved = encodeCp932(expanded + "\r\n", '?');
    ASSERT_EQ(saved.unencodable.size(), 7u);  // the two broken characters and the emojis

    RenderOptions options;
    options.replaceUnencodable = true;
    for (std::size_t size = 2; size <= 200; size += size < 80 ? 1 : 20) {
        options.blockSize = size;
        // The expanded text goes out in pieces of any size, split anywhere it may be.
        options.flushSize = 1 + size % 13;
        std::string out;
        std::vector<Unencodable> unencodable;
        const RenderResult r = render(bytes, options, out, &unencodable);
        EXPECT_EQ(r.status, RenderResult::Status::Written) << size;
        EXPECT_EQ(out, saved.bytes) << size;
        ASSERT_EQ(unencodable.size(), saved.unencodable.size()) << size;
        for (std::size_t i = 0; i < unencodable.size(); ++i) {
            EXPECT_EQ(unencodable[i].line, saved.unencodable[i].line) << size;
            EXPECT_EQ(unencodable[i].column, saved.unencodable[i].column) << size;
            EXPECT_EQ(unencodable[i].codePoint, saved.unencodable[i].codePoint) << size;
        }
    }

    // An empty plugin gives the one line break that the window adds.
    std::string out;
    EXPECT_EQ(render("", options, out).status, RenderResult::Status::Written);
    EXPECT_EQ(out, "\r\n");
}

TEST_F(PluginStream, StrictFindsEveryProblemAndAWriteFailureStopsAtOnce) {
    RenderOptions options;
    options.strict = true;
    options.replaceUnencodable = true;
    options.blockSize = 8;
    std::string out;
    std::vector<MarkerProblem> problems;
    const RenderResult r = render(trickyPlugin(), options, out, nullptr, &problems);
    EXPECT_EQ(r.status, RenderResult::Status::MarkerProblems);
    ASSERT_EQ(r.markerProblems, 2u);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].text, "[$Email]");
    EXPECT_EQ(problems[0].line, 3u);
    EXPECT_EQ(problems[1].kind, MarkerProblem::Kind::Unclosed);
    EXPECT_EQ(problems[1].line, 6u);
    EXPECT_EQ(problems[1].column, 26u);

    writeBytes("p.spd", trickyPlugin());
    FileReader file;
    ASSERT_FALSE(file.open("p.spd"));
    int writes = 0;
    RenderSinks sinks;
    sinks.write = [&writes](std::string_view) {
        ++writes;
        return errnoError(ENOSPC);
    };
    options.strict = false;
    const RenderResult failed = renderReadme(pluginSource(file), form(), options, sinks);
    EXPECT_EQ(failed.status, RenderResult::Status::WriteFailed);
    EXPECT_EQ(failed.error, errnoError(ENOSPC));
    EXPECT_EQ(writes, 1);
}

TEST_F(PluginStream, LongLinesAndHugeReadmesAreRefused) {
    const std::string eight(8, 'x');
    const struct {
        std::string plugin;
        std::size_t longLine;  // 0: none longer than 8 bytes
    } cases[] = {
        {"ab\r\n" + eight + "\r\n" + eight, 0},
        {"ab\r\n" + eight + "x\r\n", 2},
        {"ab\r" + eight + "x", 2},        // the last line, without a line break
        {"a\rb\r\r" + eight + "x\r", 4},  // CRs alone end lines too
        {"a\nb\nc\nd\ne\r\n", 1},         // a LF alone does not
    };
    for (const auto& c : cases) {
        for (const std::size_t blockSize : {2, 4, 64}) {
            RenderOptions options;
            options.blockSize = blockSize;
            options.maxLineSize = 8;
            std::string out;
            const RenderResult r = render(c.plugin, options, out);
            const std::string shown = c.plugin + " in blocks of " + std::to_string(blockSize);
            EXPECT_EQ(r.status, c.longLine ? RenderResult::Status::LineTooLong
                                           : RenderResult::Status::Written)
                << shown;
            EXPECT_EQ(r.line, c.longLine) << shown;

            FileReader file;
            ASSERT_FALSE(file.open("p.spd"));
            const CheckResult checked = checkPlugin(
                pluginSource(file), TextEncoding::Cp932, [](const MarkerProblem&) {}, blockSize, 8);
            EXPECT_EQ(checked.error,
                      c.longLine ? std::error_code(FileErrc::TooLarge) : std::error_code())
                << shown;
            EXPECT_EQ(checked.line, c.longLine) << shown;
        }
    }

    // A Readme may be as large as the limit, and not a byte more; the sink never sees more.
    RenderOptions options;
    options.flushSize = 5;
    const std::string line = sjis("[$バージョン]\r\n");
    const std::string plugin = line + line + line;  // "Ver 1.00" and CR LF three times, CR LF
    for (const std::uint64_t limit : {32, 31}) {
        options.maxReadmeSize = limit;
        std::string out;
        const RenderResult r = render(plugin, options, out);
        EXPECT_EQ(r.status,
                  limit == 32 ? RenderResult::Status::Written : RenderResult::Status::TooLarge);
        EXPECT_LE(out.size(), limit);
    }
}

TEST_F(PluginStream, APluginIsExpandedFromTheBytesItsEncodingWasDecidedOn) {
    auto render = [](const PluginSource& source, TextEncoding encoding, std::string& out) {
        RenderOptions options;
        options.pluginEncoding = encoding;
        options.replaceUnencodable = true;
        RenderSinks sinks;
        sinks.write = [&out](std::string_view b) {
            out.append(b);
            return std::error_code();
        };
        return renderReadme(source, form(), options, sinks);
    };
    // Rewritten once its encoding was decided: the Readme is still the first plugin's, in
    // memory or, past a few megabytes, from the scratch file.
    for (const std::size_t lines : {0, 5000}) {
        std::string filler;
        for (std::size_t i = 0; i < lines; ++i) filler += std::string(1000, 'a') + "\r\n";
        test::writeUtf8Plugin("p.spd", filler + "ソフト [$ソフト名]\r\n");
        PluginFile plugin;
        ASSERT_FALSE(plugin.open("p.spd"));
        ASSERT_EQ(plugin.encoding(), TextEncoding::Utf8);
        writeBytes("p.spd", std::string(200, '\x80'));
        std::string out;
        EXPECT_EQ(render(plugin.source(), plugin.encoding(), out).status,
                  RenderResult::Status::Written);
        EXPECT_TRUE(out == filler + sjis("ソフト テスト\r\n\r\n")) << lines;
    }

    // Text that is no UTF-8 handed in as UTF-8 (bytes that continue no character, more of them
    // than a slice of the encoder, one first in its line) is still expanded to its end.
    for (const std::string& bytes : {std::string(200 * 1024, '\x80') + "\r\n",
                                     std::string("\xBF") + "abc\r\n"}) {
        std::string out;
        const RenderResult r = render(pluginSource(bytes), TextEncoding::Utf8, out);
        // Each byte that is no UTF-8 is a U+FFFD, which code page 932 lacks.
        EXPECT_EQ(r.status, RenderResult::Status::Written);
        EXPECT_EQ(r.unencodable, bytes.size() - (bytes[0] == '\x80' ? 2 : 5));
        EXPECT_EQ(out.size(), bytes.size() + 2);
    }
}

}  // namespace
}  // namespace norvelle
