#include "platform/Fonts.h"

#include <QStringList>

namespace norvelle {

QFont PGothic(qreal pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic"),
                      QStringLiteral("TakaoPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

QFont fixedPitchFont(const QString& family, qreal points) {
    QFont font;
    font.setFamilies({family, QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                      QStringLiteral("IPAGothic"), QStringLiteral("VL Gothic"),
                      QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Osaka－等幅")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(points);
    return font;
}

}  // namespace norvelle
