#include "ui/lists/CopyrightRegistration.h"

#include "core/lists/RegisteredLists.h"
#include "core/text/Items.h"
#include "ui/lists/ListStorage.h"
#include "ui/platform/Platform.h"

namespace norvelle {

std::optional<QString> registerCopyright(Platform& platform, QWidget* parent,
                                         const QString& current) {
    const QString answer =
        platform.inputBox(parent,
                          QStringLiteral("著作権を入力してください") + QLatin1Char('\r') +
                              QStringLiteral("著作権にいつもこの名前が入ります。"),
                          QStringLiteral("著作権を入力"), current);
    if (answer.isEmpty()) return std::nullopt;

    // Stored as typed, blanks included, in double quotes; a double quote inside is doubled
    // so that the holder comes back whole.
    const std::string line = quoteItem(answer.toStdString()) + "\r\n";
    const Stored stored =
        storeRegisteredFile(platform, parent, kCopyrightFile, line, QStringLiteral("著作権"));
    // The field takes the answer even when it could not be stored, so nothing typed is lost.
    return stored == Stored::WithReplacements ? storedForm(answer) : answer;
}

}  // namespace norvelle
