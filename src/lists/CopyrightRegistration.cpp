#include "lists/CopyrightRegistration.h"

#include "app/Form1.h"
#include "lists/Items.h"
#include "lists/ListStorage.h"
#include "lists/RegisteredLists.h"
#include "platform/Platform.h"

#include <QLineEdit>

namespace norvelle {

void registerCopyright(Form1& form) {
    const QString answer =
        form.platform().inputBox(&form,
                                 QStringLiteral("著作権を入力してください") + QLatin1Char('\r') +
                                     QStringLiteral("著作権にいつもこの名前が入ります。"),
                                 QStringLiteral("著作権を入力"), form.Text2(2)->text());
    if (answer.isEmpty()) return;

    // Stored as typed, blanks included, in double quotes; a double quote inside is doubled
    // so that the holder comes back whole.
    const std::string line = quoteItem(answer.toStdString()) + "\r\n";
    const Stored stored =
        storeRegisteredFile(form.platform(), &form, kCopyrightFile, line, QStringLiteral("著作権"));
    // The field takes the answer even when it could not be stored, so nothing typed is lost.
    form.Text2(2)->setText(stored == Stored::WithReplacements ? storedForm(answer) : answer);
}

}  // namespace norvelle
