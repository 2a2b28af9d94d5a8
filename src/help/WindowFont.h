#pragma once

#include <QFont>

namespace norvelle {

// The Japanese proportional gothic these windows were laid out in, at the given size. Where it
// is not installed, a free font of the same cut takes its place (IPA P Gothic on Debian), and
// failing that the desktop's own sans-serif font, so the texts fit their places.
QFont PGothic(qreal pointSize);

}  // namespace norvelle
