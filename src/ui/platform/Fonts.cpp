#include "ui/platform/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace norvelle {

namespace {

// Just the first of `families` that is installed, or all of them when none is. Qt would try
// the list in the same order, but every family it does not find costs it a fontconfig
// fallback search for each size and script it is asked for: about a millisecond apiece, most
// of them at start-up, where on most desktops the first two families are missing.
// (QFontDatabase::hasFamily would ask fontconfig about each missing name in turn, which costs
// as much as the search it saves.)
QStringList firstInstalled(const QStringList& families) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : families)
        if (installed.contains(family, Qt::CaseInsensitive)) return {family};
    return families;
}

QFont withFamilies(const QStringList& families, QFont::StyleHint hint, qreal points) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPointSizeF(points);
    return font;
}

}  // namespace

QFont PGothic(qreal pointSize) {
    static const QStringList families =
        firstInstalled({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                        QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic"),
                        QStringLiteral("TakaoPGothic"), QStringLiteral("Noto Sans CJK JP")});
    return withFamilies(families, QFont::SansSerif, pointSize);
}

QFont fixedPitchFont(const QString& family, qreal points) {
    return withFamilies(
        firstInstalled({family, QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                        QStringLiteral("IPAGothic"), QStringLiteral("VL Gothic"),
                        QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Osaka－等幅")}),
        QFont::Monospace, points);
}

}  // namespace norvelle
