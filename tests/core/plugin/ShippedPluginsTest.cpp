#include "core/io/FileReader.h"
#include "core/plugin/ExpandPlugin.h"
#include "core/text/ReadmeFindings.h"
#include "core/text/TextEncoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace norvelle {
namespace {

// The plugins that lie beside the program.
std::vector<std::string> shippedPlugins() {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(NORVELLE_PLUGIN_DIR))
        if (entry.path().extension() == ".spd") out.push_back(entry.path().string());
    return out;
}

// Every field holds a text of its own, so each one can be found in a Readme.
SoftwareData markedForm() {
    SoftwareData d;
    d.softwareName = "«name»";
    d.version = "«version»";
    d.copyright = "«copyright»";
    d.environment = "«environment»";
    d.testedOn = "«tested»";
    d.redistribution = "«redistribution»";
    d.softwareType = "«type»";
    d.fee = "«fee»";
    d.email = "«email»";
    d.homePage = "«hp»";
    d.additional = {"«add1»", "«add2»", "«add3»", "«add4»"};
    d.neededFiles = {{"«needed»", true}};
    return d;
}

// A form as an author fills it in, every field as long as real ones come, the additional
// texts in lines of their own as the form's boxes hold them.
SoftwareData fullForm() {
    SoftwareData d;
    d.softwareName = "テキスト整形ツール";
    d.version = "Ver 2.10";
    d.copyright = "2024-2026 山田 太郎";
    d.environment = "Windows 10/11";
    d.testedOn = "Windows 11 Pro 23H2";
    d.redistribution = "自由（事後の連絡をお願いします）";
    d.softwareType = "シェアウエア";
    d.fee = "1,500円";
    d.email = "taro.yamada@example.ne.jp";
    d.homePage = "https://www.example.ne.jp/~yamada/soft/";
    d.additional = {
        "テキストファイルの行の長さをそろえ、全角と半角の混じった文字を整えます。\r\n"
        "メールやReadmeの下書きに使えます。",
        "1. ファイルをウインドウにドロップします。\r\n2. 「整形」ボタンを押します。",
        "大きなファイルは、整形に数秒かかることがあります。",
        "2026/01/10 Ver 2.10 折り返しの幅を選べるようにしました。\r\n"
        "2025/06/01 Ver 2.00 公開しました。"};
    d.neededFiles = {{"Visual Basicのランタイムライブラリ", true}, {"MFC42.DLL", true}};
    return d;
}

TEST(ShippedPlugins, ReadmesOfAFullFormPassTheReadmeCheck) {
    for (const std::string& path : shippedPlugins()) {
        const ExpandResult r = ExpandPlugin(path, fullForm());
        ASSERT_TRUE(r.ok) << path;
        // The plugin as the selection dialog lists it: its name without the folder.
        const std::string listed = path.substr(path.find_last_of("/\\") + 1);
        ReadmeRules rules;
        rules.encoding = r.encoding;
        rules.markdown = isMarkdownName(readmeFileName(listed.substr(0, listed.size() - 4)));
        std::vector<std::string> found;
        findReadmeProblems(r.text, rules, [&](const ReadmeFinding& f) {
            found.push_back(std::to_string(f.line) + ":" + std::to_string(f.column) + " " +
                            std::string(findingKindName(f.kind)) + " " + std::to_string(f.width));
        });
        EXPECT_EQ(found, std::vector<std::string>{}) << path;
    }
}

TEST(ShippedPlugins, AreWholeTextWithCrLfAndUseOnlyKnownMarkers) {
    const std::vector<std::string> plugins = shippedPlugins();
    EXPECT_GE(plugins.size(), 4u);
    for (const std::string& path : plugins) {
        const ReadResult raw = readFileBytes(path);
        ASSERT_TRUE(raw.ok()) << path;
        // The Markdown plugin is for code hosts, which take UTF-8 without a mark; the others
        // are for Japanese download sites, which take code page 932.
        const TextEncoding encoding = detectEncoding(raw.bytes);
        EXPECT_EQ(encoding, path.ends_with(".md.spd") ? TextEncoding::Utf8 : TextEncoding::Cp932)
            << path;
        const std::string text = decodeText(raw.bytes, encoding);
        EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << path << ": broken bytes";
        // Every line ends with CR LF, the last one included: no CR or LF stands alone.
        std::size_t pairs = 0;
        for (std::size_t at = raw.bytes.find("\r\n"); at != std::string::npos;
             at = raw.bytes.find("\r\n", at + 2))
            ++pairs;
        EXPECT_EQ(std::count(raw.bytes.begin(), raw.bytes.end(), '\r'), pairs) << path;
        EXPECT_EQ(std::count(raw.bytes.begin(), raw.bytes.end(), '\n'), pairs) << path;
        EXPECT_TRUE(raw.bytes.ends_with("\r\n")) << path;

        // A misspelt token name would stay in the Readme as it is.
        const ExpandResult r = ExpandPlugin(path, markedForm());
        ASSERT_TRUE(r.ok) << path;
        EXPECT_EQ(r.text.find("[$"), std::string::npos) << path;
    }
}

TEST(ShippedPlugins, TheStandardReadmeUsesEveryField) {
    const ExpandResult r =
        ExpandPlugin(std::string(NORVELLE_PLUGIN_DIR) + "/標準.spd", markedForm());
    ASSERT_TRUE(r.ok) << r.error;
    for (const char* value :
         {"«name»", "«version»", "«copyright»", "«environment»", "«tested»", "«redistribution»",
          "«type»", "«fee»", "«email»", "«hp»", "«add1»", "«add2»", "«add3»", "«add4»", "«needed»"})
        EXPECT_NE(r.text.find(value), std::string::npos) << value;
}

}  // namespace
}  // namespace norvelle
