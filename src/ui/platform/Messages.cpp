#include "ui/platform/Messages.h"

#include "core/document/AppState.h"
#include "core/document/FileTitle.h"
#include "ui/platform/Platform.h"

namespace norvelle {

namespace {

QString describe(const Unencodable& u) {
    QString ch = u.codePoint < 0x20 ? QString() : QString::fromUcs4(&u.codePoint, 1);
    return QStringLiteral("%1行 %2文字目: 「%3」(%4)")
        .arg(u.line)
        .arg(u.column)
        .arg(ch, QString::fromStdString(codePointLabel(u.codePoint)));
}

// A file as a question names it: its title, or a bare name as it is (the registered lists
// are saved by bare name, and "(無題)" would not tell the user which one).
QString shownName(const QString& path) {
    const std::string title = FileTitleFromPath(path.toStdString());
    return path.contains(QLatin1Char('/')) || path.contains(QLatin1Char('\\')) ||
                   path.contains(QLatin1Char(':'))
               ? QString::fromStdString(title)
               : path;
}

}  // namespace

bool askOverwrite(Platform& platform, QWidget* parent) {
    MessageBoxRequest r;
    r.text = QStringLiteral("既存のﾌｧｲﾙを上書きしますか ?");
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::YesNo;
    r.icon = MsgIcon::Question;
    r.defaultButton = MsgAnswer::No;
    return platform.messageBox(parent, r) == MsgAnswer::Yes;
}

bool askReplaceUnencodable(Platform& platform, QWidget* parent, const QString& path,
                           const std::vector<Unencodable>& characters) {
    constexpr std::size_t kShown = 10;
    QString list;
    for (std::size_t i = 0; i < characters.size() && i < kShown; ++i)
        list += QStringLiteral("\n  ") + describe(characters[i]);
    if (characters.size() > kShown)
        list += QStringLiteral("\n  ほか %1 文字").arg(characters.size() - kShown);

    MessageBoxRequest r;
    r.text = QStringLiteral(
                 "%1 には Shift-JIS で保存できない文字が %2 文字あります。%3\n\n"
                 "これらの文字を「?」に置き換えて保存しますか ?")
                 .arg(shownName(path))
                 .arg(characters.size())
                 .arg(list);
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::YesNo;
    r.icon = MsgIcon::Exclamation;
    r.defaultButton = MsgAnswer::No;
    return platform.messageBox(parent, r) == MsgAnswer::Yes;
}

void reportFailure(Platform& platform, QWidget* parent, const QString& headline,
                   const std::string& reason) {
    MessageBoxRequest r;
    r.text = headline + QLatin1Char('\n') + QString::fromStdString(reason);
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::Ok;
    r.icon = MsgIcon::Critical;
    platform.messageBox(parent, r);
}

QString cannotWriteHeadline(const QString& path) {
    return QStringLiteral("%1 に書き込めませんでした。").arg(path);
}

QString cannotReadHeadline(const QString& path) {
    return QStringLiteral("%1 を読み込めませんでした。").arg(path);
}

}  // namespace norvelle
