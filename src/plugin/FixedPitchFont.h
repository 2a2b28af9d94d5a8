#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace norvelle {

// A fixed-pitch font for Japanese text: `family` where the system has it, otherwise a
// Japanese font in which a full-width character is exactly two half-width ones wide, so the
// columns of a Readme line up as they will in the author's text editor; failing those, the
// system's monospaced font.
inline QFont fixedPitchFont(const QString& family, qreal points) {
    QFont font;
    font.setFamilies({family, QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                      QStringLiteral("IPAGothic"), QStringLiteral("VL Gothic"),
                      QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Osaka－等幅")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(points);
    return font;
}

}  // namespace norvelle
