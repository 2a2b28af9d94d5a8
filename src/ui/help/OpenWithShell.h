#pragma once

#include <QString>

namespace norvelle {

class Platform;

// Opens a file or URL with the program the desktop associates with it, the program's folder
// being its working folder. Returns the desktop's answer; nothing in the program depends on it,
// since a missing help file or an unregistered mail program is simply not opened.
int OpenWithShell(Platform& platform, const QString& target);

}  // namespace norvelle
