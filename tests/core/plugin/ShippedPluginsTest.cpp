#include "core/io/FileReader.h"
#include "core/plugin/ExpandPlugin.h"
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
