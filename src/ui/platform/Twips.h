#pragma once

#include <QWidget>

namespace norvelle {

// Window geometry is kept in twips (1/1440 inch), as the layouts were drawn; at 96 dpi a pixel
// is 15 twips. Qt scales the pixels for high-dpi screens.
constexpr int twips(int t) {
    return (t * 2 + 15) / 30;
}

// Places a control at a position and size given in twips.
inline void place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace norvelle
