#include "core/io/FileReader.h"
#include "core/text/Cp932.h"

#include <gtest/gtest.h>
#include <string>

namespace norvelle {
namespace {

// The help file is opened by whatever the user's desktop uses for text files, often a Windows
// editor on a shared folder: it has to be plain code page 932 with CR LF line ends.
TEST(HelpFileTest, IsCodePage932WithCrLfLineEndsOnly) {
    const ReadResult file = readFileBytes(NORVELLE_HELP_FILE);
    ASSERT_TRUE(file.ok()) << NORVELLE_HELP_FILE;
    const std::string& bytes = file.bytes;
    ASSERT_GT(bytes.size(), 1000u);

    // No byte-order mark, no UTF-8 left in by mistake: decoding and encoding again gives the
    // very same bytes, and no byte sequence was invalid.
    const std::string text = decodeCp932(bytes);
    EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << "invalid code page 932 bytes";
    const EncodeResult again = encodeCp932(text);
    EXPECT_TRUE(again.unencodable.empty());
    EXPECT_EQ(again.bytes, bytes);

    // Every line ends with CR LF, the last one included; no CR or LF stands alone, and no
    // other control character than a tab is in the text.
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "CR alone at " << i;
        } else if (c == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "LF alone at " << i;
        } else {
            ASSERT_TRUE(c >= 0x20 || c == '\t') << "control character at " << i;
        }
    }
}

// A plugin author learns the markers from the help file; each one the program knows is there.
TEST(HelpFileTest, NamesEveryMarkerAPluginCanUse) {
    const ReadResult file = readTextFile(NORVELLE_HELP_FILE);
    ASSERT_TRUE(file.ok());
    for (const char* marker : {"[$ソフト名]", "[$バージョン]", "[$著作権]", "[$動作環境]",
                               "[$動作確認]", "[$必要ファイル]", "[$転載]", "[$種別]", "[$シェア]",
                               "[$email]", "[$hp]", "[$add1]", "[$add2]", "[$add3]", "[$add4]"})
        EXPECT_NE(file.bytes.find(marker), std::string::npos) << marker;
}

}  // namespace
}  // namespace norvelle
