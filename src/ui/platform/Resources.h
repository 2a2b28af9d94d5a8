#pragma once

#include <QCursor>
#include <QIcon>

namespace norvelle {

// The program's icon in every size it is drawn in, for the main window's title bar and task
// bar; the other windows copy it from the main window.
QIcon ProgramIcon();

// The pointer shown over the links of the version box: a hand pointing right, its fingertip
// being the hot spot.
QCursor RightHandCursor();

}  // namespace norvelle
