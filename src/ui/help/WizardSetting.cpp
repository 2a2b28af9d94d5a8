#include "ui/help/WizardSetting.h"

#include "core/document/AppState.h"
#include "ui/platform/Platform.h"

namespace norvelle {

void WriteWizardSetting(Platform& platform, const QString& value) {
    platform.writeSetting(QString::fromLatin1(kAppTitle), QStringLiteral("Setting"),
                          QStringLiteral("Wizard"), value);
}

}  // namespace norvelle
