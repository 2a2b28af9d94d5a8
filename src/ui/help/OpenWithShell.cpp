#include "ui/help/OpenWithShell.h"

#include "ui/platform/Platform.h"

namespace norvelle {

int OpenWithShell(Platform& platform, const QString& target) {
    return platform.openWithShell(target, platform.programFolder());
}

}  // namespace norvelle
