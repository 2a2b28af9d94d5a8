#include "ui/platform/Fonts.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QStringList>

namespace norvelle {
namespace {

// Each font names the one family it will be drawn in, the first of its list that is
// installed (the test machine has the IPA fonts and not the Windows ones), so Qt never
// searches for the missing ones; the family asked for comes before the Japanese defaults.
TEST(Fonts, NameTheFirstInstalledFamilyOfTheirList) {
    const struct {
        QFont font;
        const char* family;
        qreal points;
    } cases[] = {
        {PGothic(9), "IPAPGothic", 9},
        {fixedPitchFont(QStringLiteral("ＭＳ ゴシック"), 8.25), "IPAGothic", 8.25},
        {fixedPitchFont(QStringLiteral("IPAPGothic"), 13.5), "IPAPGothic", 13.5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.font.families(), QStringList{QString::fromUtf8(c.family)}) << c.family;
        EXPECT_EQ(QFontInfo(c.font).family(), QString::fromUtf8(c.family));
        EXPECT_EQ(c.font.pointSizeF(), c.points);
    }
}

}  // namespace
}  // namespace norvelle
