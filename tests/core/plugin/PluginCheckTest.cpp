#include "core/plugin/PluginCheck.h"

#include "core/plugin/ExpandPlugin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvelle {
namespace {

using Kind = MarkerProblem::Kind;

std::vector<MarkerProblem> check(std::string_view text, std::size_t firstLine = 1) {
    std::vector<MarkerProblem> problems;
    checkTemplate(text, problems, firstLine);
    return problems;
}

TEST(PluginCheck, FindsUnknownAndUnclosedMarkersWithTheirPlaces) {
    const std::string text =
        "ソフト名：[$ソフト名] [$Email] [$]\r\n"  // two unknown after a known one
        "料金 [$シェア] 円 [$種別\r\n"            // unclosed after a closed marker
        "\r\n"
        "[$a[$ソフト名]]\n[$ hp]\r"  // a LF alone is inside the line
        "ｿﾌﾄ[$email][$add5]";        // no line break at the end
    const std::vector<MarkerProblem> p = check(text);
    ASSERT_EQ(p.size(), 6u);
    EXPECT_EQ(p[0].kind, Kind::UnknownName);
    EXPECT_EQ(p[0].text, "[$Email]");
    EXPECT_EQ(p[0].line, 1u);
    EXPECT_EQ(p[0].column, 14u);  // columns in characters, not bytes
    EXPECT_EQ(p[1].text, "[$]");
    EXPECT_EQ(p[1].column, 23u);
    EXPECT_EQ(p[2].kind, Kind::Unclosed);
    EXPECT_EQ(p[2].text, "[$種別");
    EXPECT_EQ(p[2].line, 2u);
    EXPECT_EQ(p[2].column, 13u);
    // "[$a[$ソフト名]" is one marker named "a[$ソフト名", as the expansion reads it.
    EXPECT_EQ(p[3].text, "[$a[$ソフト名]");
    EXPECT_EQ(p[3].line, 4u);
    EXPECT_EQ(p[3].column, 1u);
    EXPECT_EQ(p[4].text, "[$ hp]");
    EXPECT_EQ(p[4].line, 4u);
    EXPECT_EQ(p[4].column, 13u);
    EXPECT_EQ(p[5].text, "[$add5]");
    EXPECT_EQ(p[5].line, 5u);
    EXPECT_EQ(p[5].column, 12u);

    // Blocks of a larger plugin keep their line numbers.
    const std::vector<MarkerProblem> later = check("\r\n[$x", 41);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].line, 42u);
    std::vector<MarkerProblem> none;
    EXPECT_EQ(checkTemplate("a\r\nb\rc\nd\r\n", none), 3u);
    EXPECT_TRUE(none.empty());
}

// The check and the expansion must read markers the same way: a line keeps a "[$" in its
// Readme exactly when the check finds something wrong with it.
TEST(PluginCheck, AgreesWithTheExpansion) {
    SoftwareData form;
    form.softwareName = form.version = form.copyright = form.environment = form.testedOn =
        form.redistribution = form.softwareType = form.fee = form.email = form.homePage = "v";
    form.additional = {"v", "v", "v", "v"};
    const char* const lines[] = {
        "[$ソフト名][$バージョン][$著作権][$動作環境][$動作確認][$必要ファイル]",
        "[$転載][$種別][$シェア][$email][$hp][$add1][$add2][$add3][$add4]",
        "]][$種別]",
        "[$[$email]",
        "[$email[$]",
        "[$ソフト名 ]",
        "ソーダ[$ソフト名]ー[$",
        "[$ＥＭＡＩＬ]",
        "text only",
        "[$add1][$add0]",
        "[$$email]",
        "[ $email]",
    };
    for (const char* line : lines) {
        const bool kept = expandTemplate(line, form).find("[$") != std::string::npos;
        EXPECT_EQ(kept, !check(line).empty()) << line;
    }
}

}  // namespace
}  // namespace norvelle
