#include "ui/plugin/Form6.h"

#include "core/document/AppState.h"
#include "core/document/FileTitle.h"
#include "core/io/FileReader.h"
#include "core/text/Cp932.h"
#include "core/text/ReadmeFindings.h"
#include "ui/platform/Fonts.h"
#include "ui/platform/Messages.h"
#include "ui/platform/Platform.h"
#include "ui/platform/SaveTextFile.h"
#include "ui/platform/Twips.h"
#include "ui/plugin/PreviewFindings.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>

namespace norvelle {

namespace {

// Widens a button to the left until its caption fits; returns by how much.
int growToTheLeft(QPushButton* button) {
    const QRect g = button->geometry();
    const int grow = button->sizeHint().width() - g.width();
    if (grow <= 0) return 0;
    button->setGeometry(g.x() - grow, g.y(), g.width() + grow, g.height());
    return grow;
}

// With findings, the list takes the foot of the text's place, about four entries high.
constexpr int kTextTop = 120;
constexpr int kTextHeight = 5655;
constexpr int kListHeight = 1035;
constexpr int kListGap = 60;

// How long the user pauses in typing before the text is checked again.
constexpr int kRecheckDelayMs = 250;

// The list names the first this many findings, and how many more there are: a text of
// megabytes can hold a finding on every line, and no one reads a list that long.
constexpr std::size_t kListedFindings = 1000;

QTextEdit::ExtraSelection mark(QTextDocument* document, const PreviewFinding& finding) {
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    format.setUnderlineColor(Qt::red);
    format.setBackground(QColor(255, 228, 228));
    QTextCursor cursor(document);
    const int last = document->characterCount() - 1;
    cursor.setPosition(std::min(finding.position, last));
    cursor.setPosition(std::min(finding.position + finding.length, last), QTextCursor::KeepAnchor);
    return {cursor, format};
}

}  // namespace

Form6::Form6(Platform& platform, AppState& state, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_state(state) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("プレビュー"));
    setFixedSize(twips(7830), twips(6420));

    m_text1 = new QPlainTextEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setAccessibleName(QStringLiteral("プレビュー"));
    m_text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setFont(fixedPitchFont(QStringLiteral("FixedSys"), 13.5));
    place(m_text1, 120, kTextTop, 7575, kTextHeight);

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setAccessibleName(QStringLiteral("Readme の注意点"));
    place(m_list1, 120, kTextTop + kTextHeight - kListHeight, 7575, kListHeight);
    m_list1->hide();
    m_list1->installEventFilter(this);
    connect(m_list1, &QListWidget::itemClicked, this, &Form6::List1_Click);
    connect(m_list1, &QListWidget::itemActivated, this, &Form6::List1_Click);

    m_command1 = new QPushButton(QStringLiteral("クリップボードにコピー"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    place(m_command1, 4200, 5880, 1935, 375);
    connect(m_command1, &QPushButton::clicked, this, &Form6::Command1_Click);

    m_command2 = new QPushButton(QStringLiteral("Readme.txt作成"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    place(m_command2, 6240, 5880, 1455, 375);
    connect(m_command2, &QPushButton::clicked, this, &Form6::Command2_Click);

    // Where the system's font needs more room for a caption than the layout gives, the
    // buttons grow to the left rather than cut it off, keeping their right edges and the gap
    // between them.
    const int shift = growToTheLeft(m_command2);
    m_command1->move(m_command1->x() - shift, m_command1->y());
    growToTheLeft(m_command1);

    setTabOrder(m_text1, m_list1);
    setTabOrder(m_list1, m_command1);
    setTabOrder(m_command1, m_command2);

    m_recheck = new QTimer(this);
    m_recheck->setSingleShot(true);
    m_recheck->setInterval(kRecheckDelayMs);
    connect(m_recheck, &QTimer::timeout, this, &Form6::checkText);
    connect(m_text1, &QPlainTextEdit::textChanged, this, &Form6::Text1_Change);

    setExpandedText(QStringLiteral("プレビュー"));
}

Form6::~Form6() = default;

void Form6::setExpandedText(const QString& text) {
    m_original = text;
    m_text1->setPlainText(text);  // also marks the document as unmodified
    checkText();
}

QString Form6::currentText() const {
    const QTextDocument* doc = m_text1->document();
    if (!doc->isModified()) return m_original;
    // The box's own text, with its line breaks as CR LF. toPlainText() would turn
    // no-break spaces into blanks, so the raw text is converted here instead.
    const QString raw = doc->toRawText();
    QString out;
    out.reserve(raw.size() + raw.size() / 32 + 16);
    for (const QChar ch : raw) {
        switch (ch.unicode()) {
            case QChar::ParagraphSeparator:
            case QChar::LineSeparator:
            case u'\n':
                out += u'\r';
                out += u'\n';
                break;
            default:
                out += ch;
        }
    }
    return out;
}

void Form6::Command1_Click() {
    m_platform.setClipboardText(currentText());
}

void Form6::setReadme(TextEncoding encoding, const QString& fileName) {
    const ReadmeRules before = rules();
    m_encoding = encoding;
    m_readmeName = fileName;
    const ReadmeRules after = rules();
    if (after.encoding != before.encoding || after.markdown != before.markdown) checkText();
}

ReadmeRules Form6::rules() const {
    return {m_encoding, isMarkdownName(m_readmeName.toStdString()), 80};
}

void Form6::Text1_Change() {
    m_recheck->start();
}

void Form6::checkText() {
    m_recheck->stop();
    const PreviewFindings findings = findPreviewFindings(currentText(), rules(), kListedFindings);
    QList<QTextEdit::ExtraSelection> marks;
    marks.reserve(static_cast<qsizetype>(findings.shown.size()));
    QStringList entries;
    for (const PreviewFinding& finding : findings.shown) {
        marks.append(mark(m_text1->document(), finding));
        entries.append(finding.text);
    }
    if (findings.total > findings.shown.size())
        entries.append(
            QStringLiteral("ほかに %1 件あります").arg(findings.total - findings.shown.size()));
    m_text1->setExtraSelections(marks);
    m_list1->clear();
    m_list1->addItems(entries);
    showList(!entries.isEmpty());
}

void Form6::showList(bool shown) {
    // Without findings the window is laid out as it always was.
    const int textHeight = shown ? kTextHeight - kListHeight - kListGap : kTextHeight;
    place(m_text1, 120, kTextTop, 7575, textHeight);
    m_list1->setVisible(shown);
}

void Form6::List1_Click() {
    // The marks follow the user's edits; the list is rebuilt only after a pause in typing.
    const int row = m_list1->currentRow();
    const QList<QTextEdit::ExtraSelection> marks = m_text1->extraSelections();
    if (row < 0 || row >= marks.size()) return;
    QTextCursor cursor = m_text1->textCursor();
    cursor.setPosition(marks[row].cursor.selectionStart());
    m_text1->setTextCursor(cursor);
    m_text1->centerCursor();  // with the lines around it
    m_text1->setFocus(Qt::OtherFocusReason);
}

void Form6::Command2_Click() {
    FileDialogRequest request;
    // The filter offers the files of the proposed name's kind.
    const QString extension = QFileInfo(m_readmeName).suffix();
    const QString kind = extension.toLower();
    request.filterPattern = QStringLiteral("*.") + extension;
    if (kind == u"txt")
        request.filterDescription = QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(%1)").arg(request.filterPattern);
    else if (kind == u"md" || kind == u"markdown")
        request.filterDescription = QStringLiteral("Markdownﾌｧｲﾙ(%1)").arg(request.filterPattern);
    else
        request.filterDescription =
            QStringLiteral("%1ﾌｧｲﾙ(%2)").arg(extension.toUpper(), request.filterPattern);
    request.initialName = m_readmeName;
    const std::optional<QString> chosen = m_platform.saveFileName(this, request);
    if (!chosen) return;
    m_state.CurrentFileName = chosen->toStdString();
    if (chosen->isEmpty()) return;
    const std::string path = chosen->toStdString();

    if (fileExists(path) && !askOverwrite(m_platform, this)) return;

    // The text, then one more line break; a Markdown file ends with its last line's, as
    // Markdown linters want it.
    std::string text = currentText().toStdString();
    const bool markdown = isMarkdownName(m_readmeName.toStdString());
    if (!markdown || (!text.empty() && !text.ends_with('\n') && !text.ends_with('\r')))
        text += "\r\n";
    if (saveTextFile(m_platform, this, path, text, cannotWriteHeadline(*chosen), kWholeFile,
                     m_encoding) == Saved::No)
        return;

    MessageBoxRequest done;
    // The dialog gives a full path; a bare name is a name in the working directory.
    const QString fullPath = QFileInfo(*chosen).absoluteFilePath();
    done.text = QString::fromStdString(FileTitleFromPath(fullPath.toStdString())) +
                QStringLiteral("を作成しました");
    done.title = QStringLiteral("完了");
    done.buttons = MsgButtons::Ok;
    done.icon = MsgIcon::None;
    m_platform.messageBox(this, done);
}

void Form6::keyPressEvent(QKeyEvent* event) {
    // Escape would close the window and throw away the user's edits; the close box is the
    // deliberate way out.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool Form6::eventFilter(QObject* watched, QEvent* event) {
    // Enter on an entry goes to its place. The list lets the key on to the window, which would
    // press the default button as well.
    if (watched == m_list1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            List1_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace norvelle
