#include "ui/platform/Resources.h"

#include <QPixmap>

// The resources live in a static library, so they are registered by hand before their first
// use. Q_INIT_RESOURCE has to be called outside any namespace.
static void registerResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)registered;
}

namespace norvelle {

QIcon ProgramIcon() {
    registerResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/norvelle-%1.png").arg(size), QSize(size, size));
    return icon;
}

QCursor RightHandCursor() {
    registerResources();
    return QCursor(QPixmap(QStringLiteral(":/icons/hand-right-32.png")), 31, 13);
}

}  // namespace norvelle
