#pragma once

#include <QFont>
#include <QString>

namespace norvelle {

// The Japanese proportional gothic these windows were laid out in, at the given size. Where it
// is not installed, a free font of the same cut takes its place (IPA P Gothic on Debian), and
// failing that the desktop's own sans-serif font, so the texts fit their places.
QFont PGothic(qreal pointSize);

// A fixed-pitch font for Japanese text: `family` where the system has it, otherwise a
// Japanese font in which a full-width character is exactly two half-width ones wide, so the
// columns of a Readme line up as they will in the author's text editor; failing those, the
// system's monospaced font.
QFont fixedPitchFont(const QString& family, qreal points);

}  // namespace norvelle
