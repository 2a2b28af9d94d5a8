#include "core/document/SoftwareDataFile.h"
#include "core/document/SoftwareDataLoad.h"
#include "core/io/FileResult.h"
#include "core/text/Cp932.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace norvelle::test {
namespace {

// A form as start-up leaves it, with the five fixed needed files in the list.
SoftwareData freshForm() {
    SoftwareData d;
    d.version = "Ver ";
    d.environment = "Windows 95/98/Me";
    d.testedOn = "Windows 98で動作確認済み";
    d.redistribution = "可";
    d.softwareType = "フリーウエア";
    d.fee = "\\";
    d.homePage = "http://";
    for (const char* name : {"Direct X 8.0", "Direct X 7.0", "Direct X 6.0",
                             "Visual Basicのランタイムライブラリ", "MFC42.DLL"})
        d.neededFiles.push_back({name, false});
    return d;
}

std::string lines(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& t : texts) out += t + "\r\n";
    return out;
}

std::size_t lineCount(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++n;
    return n;
}

TEST(SoftwareDataFileWriter, WritesASharewareRecordByteForByte) {
    SoftwareData d = freshForm();
    d.environment = "Windows 95/98/Me/2000";
    d.redistribution = "転載後、作者に連絡";
    d.softwareType = "シェアウエア";
    d.neededFiles[0].selected = true;
    d.neededFiles[2].selected = true;

    const EncodeResult encoded = encodeCp932(formatSoftwareDataFile(d, "2.06"));
    EXPECT_TRUE(encoded.unencodable.empty());
    const std::string expected = sjis(lines(
        {R"("Norvelle Ver 2.06")", R"("")", R"("Ver ")", R"("")", R"("Windows 95/98/Me/2000")",
         R"("Windows 98で動作確認済み")", R"("転載後、作者に連絡")", R"("シェアウエア")", R"("\")",
         R"("")", R"("http://")", R"("")", R"("")", R"("")", R"("")", "0", "2"}));
    EXPECT_EQ(encoded.bytes, expected);
}

TEST(SoftwareDataFileWriter, NeededFileLinesFollowTheSelection) {
    SoftwareData d = freshForm();
    const std::string none = formatSoftwareDataFile(d, "2.06");
    EXPECT_EQ(lineCount(none), 15u);

    for (int i = 0; i < 20; ++i) d.neededFiles.push_back({"F" + std::to_string(i), false});
    for (auto& f : d.neededFiles) f.selected = true;
    const std::string all = formatSoftwareDataFile(d, "2.06");
    std::string expectedTail;
    for (int i = 0; i < 25; ++i) expectedTail += std::to_string(i) + "\r\n";
    EXPECT_EQ(all.substr(none.size()), expectedTail);

    // Only the selected ones, in list order; the version line names the running version.
    for (auto& f : d.neededFiles) f.selected = false;
    d.neededFiles[24].selected = true;
    d.neededFiles[4].selected = true;
    const std::string some = formatSoftwareDataFile(d, "3.10");
    EXPECT_EQ(some.substr(0, 21), "\"Norvelle Ver 3.10\"\r\n");
    EXPECT_EQ(some.substr(none.size()), "4\r\n24\r\n");
}

TEST(SoftwareDataFileWriter, FieldTextsAreWrittenAsTyped) {
    SoftwareData d = freshForm();
    d.softwareName = "  Tool, Pro  ";  // commas and spaces at both ends
    d.copyright = "山田 太郎";
    d.environment = "独自の環境";  // matches no entry of the list
    d.softwareType = "メールウエア";
    d.fee = "500円";  // kept although the type leaves the fee field disabled
    d.additional[0] = "a \"quoted\" word";
    d.additional[3] = "two\r\nlines\nand\rmore";

    const std::string text = formatSoftwareDataFile(d, "2.06");
    EXPECT_EQ(text, lines({R"("Norvelle Ver 2.06")", R"("  Tool, Pro  ")", R"("Ver ")",
                           R"("山田 太郎")", R"("独自の環境")", R"("Windows 98で動作確認済み")",
                           R"("可")", R"("メールウエア")", R"("500円")", R"("")", R"("http://")",
                           R"("a ""quoted"" word")", R"("")", R"("")", R"("two lines and more")"}));
}

TEST(SoftwareDataFileReader, AcceptsSixVersionsByTheirLastFourCharacters) {
    for (const char* version : {"2.00", "2.01", "2.02", "2.03", "2.05", "2.06"}) {
        const std::string text =
            lines({"\"Norvelle Ver " + std::string(version) + "\"", R"("Name")"});
        const SoftwareDataFile f = parseSoftwareDataFile(text, 5);
        EXPECT_TRUE(f.versionAccepted) << version;
        EXPECT_EQ(f.fields[0], "Name") << version;
    }
    EXPECT_TRUE(isAcceptedFileVersion("何でも2.03"));
    for (const char* rejected :
         {"Norvelle Ver 2.04", "Norvelle Ver 2.07", "Norvelle Ver 1.00", "Norvelle Ver 2.06 ",
          "2.0", "", "Norvelle Ver ２.０６", "Norvelle Ver 2,06"})
        EXPECT_FALSE(isAcceptedFileVersion(rejected)) << rejected;

    EXPECT_FALSE(parseSoftwareDataFile("", 5).versionAccepted);
    EXPECT_FALSE(parseSoftwareDataFile(lines({R"("Norvelle Ver 2.04")"}), 5).versionAccepted);
    // An unquoted version line is read just the same.
    EXPECT_TRUE(parseSoftwareDataFile("Norvelle Ver 2.02\r\n", 5).versionAccepted);

    // A file that ends early leaves the remaining fields empty.
    const SoftwareDataFile three =
        parseSoftwareDataFile(lines({R"("Norvelle Ver 2.06")", R"("A")", R"("B")", R"("C")"}), 5);
    EXPECT_TRUE(three.versionAccepted);
    EXPECT_EQ(three.fields[2], "C");
    for (std::size_t i = 3; i < three.fields.size(); ++i) EXPECT_EQ(three.fields[i], "") << i;
    EXPECT_TRUE(three.selectedPositions.empty());
}

TEST(SoftwareDataFileReader, SelectsOnlyPositionsThatNameAnEntry) {
    std::vector<std::string> head = {R"("Norvelle Ver 2.06")"};
    for (int i = 0; i < 14; ++i) head.push_back(R"("")");
    auto withIndexItems = [&head](const std::vector<std::string>& index) {
        std::vector<std::string> all = head;
        all.insert(all.end(), index.begin(), index.end());
        return lines(all);
    };

    // A list of six entries: 7 names none of them.
    EXPECT_EQ(parseSoftwareDataFile(withIndexItems({"0", "7"}), 6).selectedPositions,
              (std::vector<std::size_t>{0}));
    // Items that are not whole numbers, empty items, repeats and huge numbers.
    const SoftwareDataFile odd =
        parseSoftwareDataFile(withIndexItems({"x", "-1", "2.5", "", " 3 ", "\"4\"",
                                              "99999999999999999999999", "3", "1e2", "+1"}),
                              50);
    EXPECT_EQ(odd.selectedPositions, (std::vector<std::size_t>{3, 4}));
    // Index items are looked at only up to the number of entries in the list.
    const SoftwareDataFile many = parseSoftwareDataFile(withIndexItems({"4", "3", "2", "1"}), 2);
    EXPECT_EQ(many.items.size(), 17u);
    EXPECT_EQ(many.selectedPositions, (std::vector<std::size_t>{}));
    EXPECT_EQ(parseSoftwareDataFile(withIndexItems({"1", "0", "1"}), 2).selectedPositions,
              (std::vector<std::size_t>{0, 1}));
    // Nothing to select in an empty list; without a list size every number that fits is kept.
    EXPECT_TRUE(parseSoftwareDataFile(withIndexItems({"0"}), 0).selectedPositions.empty());
    const std::size_t highest = std::numeric_limits<std::size_t>::max() - 1;
    const SoftwareDataFile unbounded = parseSoftwareDataFile(
        withIndexItems({std::to_string(highest), std::to_string(highest) + "0", "12"}));
    EXPECT_EQ(unbounded.selectedPositions, (std::vector<std::size_t>{12, highest}));
}

// The front ends' tests word every refusal; what only the loader shows is the rule for pipes:
// the window must not wait on one, the command line reads it (--data <(...)).
TEST(SoftwareDataLoad, TheWindowRefusesAPipeAndTheCommandLineReadsIt) {
    using Status = LoadedSoftwareData::Status;
    TempDir dir;
    std::vector<std::string> good = {R"("Norvelle Ver 2.06")", sjis(R"("名前")")};
    for (int i = 1; i < 14; ++i) good.push_back(R"("")");
    good.insert(good.end(), {"2", "0", "1"});
    if (!makeNamedPipe("pipe.sft")) GTEST_SKIP() << "Windows has no named pipes in folders";
    const LoadedSoftwareData refused =
        loadSoftwareDataFile("pipe.sft", 2, PipesAndDevices::Refused);
    EXPECT_EQ(refused.status, Status::CannotRead);
    EXPECT_EQ(refused.error, FileErrc::NotRegularFile);
    std::thread writer([&good] { std::ofstream("pipe.sft", std::ios::binary) << lines(good); });
    const LoadedSoftwareData piped = loadSoftwareDataFile("pipe.sft", 6, PipesAndDevices::Read);
    writer.join();
    EXPECT_EQ(piped.status, Status::Loaded);
    EXPECT_EQ(piped.file.selectedPositions, (std::vector<std::size_t>{0, 1, 2}));
}

}  // namespace
}  // namespace norvelle::test
