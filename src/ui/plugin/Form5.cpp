#include "ui/plugin/Form5.h"

#include "core/document/AppState.h"
#include "core/io/FileReader.h"
#include "core/plugin/ExpandPlugin.h"
#include "core/plugin/PluginFile.h"
#include "core/text/Lines.h"
#include "core/text/TextEncoding.h"
#include "ui/platform/FileErrorText.h"
#include "ui/platform/Fonts.h"
#include "ui/platform/Messages.h"
#include "ui/platform/Platform.h"
#include "ui/platform/Twips.h"
#include "ui/plugin/Form6.h"

#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringDecoder>

namespace norvelle {

namespace {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// A text as it is. QString::fromStdString drops a U+FEFF at the start, which the text of a
// UTF-8 plugin (after its own mark) or a field may begin with, and the Readme would lose it.
QString wholeText(std::string_view utf8) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

// The start of a line cut after `length` characters, never inside one.
std::string_view firstCharacters(std::string_view line, std::size_t length) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        if (startsCharacter && count++ == length) return line.substr(0, i);
    }
    return line;
}

// The raw text of a plugin as the preview shows it: its lines, each followed by CR LF, as
// many and as long as the preview area can usefully hold.
QString previewText(std::string_view decoded) {
    std::string out;
    int lines = 0;
    forEachLine(decoded, [&](std::string_view line) {
        if (lines++ >= Form5::kPreviewLines) return;
        out.append(firstCharacters(line, Form5::kPreviewLineLength));
        out += "\r\n";
    });
    return wholeText(out);
}

}  // namespace

Form5::Form5(Platform& platform, AppState& state, std::function<SoftwareData()> softwareData,
             QWidget* parent)
    : QDialog(parent),
      m_platform(platform),
      m_state(state),
      m_softwareData(std::move(softwareData)) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("プラグイン選択"));
    setFixedSize(twips(7530), twips(5790));

    m_label1 =
        makeLabel(this, QStringLiteral("Label1"), QStringLiteral("プラグインを選択してください"));
    place(m_label1, 120, 120, 2895, 255);

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_label1->setBuddy(m_list1);
    m_list1->setAccessibleName(m_label1->text());
    place(m_list1, 120, 360, 7335, 1860);

    m_label3 = makeLabel(this, QStringLiteral("Label3"), QStringLiteral("プラグインプレビュー"));
    place(m_label3, 120, 2280, 1695, 255);

    m_label2 = makeLabel(this, QStringLiteral("Label2"), QString());
    m_label2->setWordWrap(true);
    // A screen reader reads the plugin's text itself as the preview's name; the heading says
    // what it is.
    m_label2->setAccessibleDescription(m_label3->text());
    m_label3->setBuddy(m_label2);
    m_label2->setFont(fixedPitchFont(QStringLiteral("ＭＳ ゴシック"), 8.25));
    place(m_label2, 120, 2520, 7335, 2655);

    m_command1 = new QPushButton(QStringLiteral("OK"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    place(m_command1, 5880, 5280, 1455, 375);

    // A new selection, by mouse or keyboard, previews; so does clicking the selected entry
    // again, which shows the file as it is now.
    connect(m_list1, &QListWidget::itemSelectionChanged, this, [this] {
        m_previewedSincePress = true;
        List1_Click();
    });
    connect(m_list1, &QListWidget::itemClicked, this, [this] {
        if (!m_previewedSincePress) List1_Click();
    });
    m_list1->viewport()->installEventFilter(this);
    connect(m_command1, &QPushButton::clicked, this, &Form5::Command1_Click);

    Form_Load();
}

Form5::~Form5() = default;

void Form5::Form_Load() {
    // The plugins are the *.spd files of the program's folder, whatever the case of the
    // extension, in name order as a file list shows them.
    const QDir folder(m_platform.programFolder());
    const QStringList files =
        folder.entryList({QStringLiteral("*.spd")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& file : files) {
        auto* item = new QListWidgetItem(file.chopped(4), m_list1);
        item->setData(Qt::UserRole, file);
    }

    if (files.isEmpty()) {
        MessageBoxRequest r;
        r.text = QStringLiteral("プラグインが１つも見つかりません。");
        r.title = QString::fromLatin1(kAppTitle);
        r.buttons = MsgButtons::Ok;
        r.icon = MsgIcon::Critical;
        // The dialog is not on the screen yet: the message stands over the window beneath.
        m_platform.messageBox(parentWidget(), r);
    }
}

bool Form5::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list1->viewport() && event->type() == QEvent::MouseButtonPress)
        m_previewedSincePress = false;
    return QDialog::eventFilter(watched, event);
}

QString Form5::pluginFile(const QListWidgetItem* item) {
    return item->data(Qt::UserRole).toString();
}

QListWidgetItem* Form5::selectedItem() const {
    const QList<QListWidgetItem*> selected = m_list1->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void Form5::List1_Click() {
    const QListWidgetItem* item = selectedItem();
    if (!item) return;
    // Plugins are opened by name, relative to the working directory, from here on.
    QDir::setCurrent(m_platform.programFolder());
    m_label2->clear();
    const QString file = pluginFile(item);
    PluginFile plugin;
    const std::error_code err =
        plugin.openWhole(file.toStdString(), kPluginDialogLimits.pluginSize);
    if (err == FileErrc::TooLarge) {
        // No plugin is that large: the user picked a wrong file and should know.
        reportFailure(m_platform, this, cannotReadHeadline(file),
                      describeTooLarge(kPluginDialogLimits.pluginSize));
        return;
    }
    if (err == FileErrc::Utf16WithoutMark) {
        // The file is there but no plugin can be read from it: the preview says why.
        m_label2->setText(QString::fromStdString(describeError(err)));
        return;
    }
    if (err) return;  // a plugin that cannot be read shows nothing
    QString text = previewText(decodeText(plugin.bytes(), plugin.encoding()));
    if (const auto& stray = plugin.strayByte()) {
        // A UTF-8 plugin with a stray byte reads as garbled text; the author needs to know
        // where to mend it.
        text = QStringLiteral(
                   "※ %1 行 %2 文字目のバイト 0x%3 が UTF-8 ではないため、シフト JIS "
                   "(コードページ 932) として読み込みました。\r\n\r\n")
                   .arg(stray->line)
                   .arg(stray->column)
                   .arg(QString::number(stray->byte, 16).toUpper()) +
               text;
    }
    m_label2->setText(text);
}

void Form5::Command1_Click() {
    const QListWidgetItem* item = selectedItem();
    if (!item) return;
    const QString file = pluginFile(item);
    const ExpandResult expanded =
        ExpandPlugin(file.toStdString(), m_softwareData(), kPluginDialogLimits);
    if (expanded.textTooLarge) {
        MessageBoxRequest r;
        r.text = QStringLiteral(
                     "%1 から作成される Readme が大きすぎるため、表示できません。\n"
                     "扱えるのは %2 までです。")
                     .arg(file, QString::fromStdString(describeSize(kPluginDialogLimits.textSize)));
        r.title = QString::fromLatin1(kAppTitle);
        r.buttons = MsgButtons::Ok;
        r.icon = MsgIcon::Critical;
        m_platform.messageBox(this, r);
        return;
    }
    if (!expanded.ok) {
        reportFailure(m_platform, this, cannotReadHeadline(file),
                      describeFileError(expanded.error, kPluginDialogLimits.pluginSize));
        return;
    }
    Form6 preview(m_platform, m_state, this);
    preview.setExpandedText(wholeText(expanded.text));
    preview.setReadme(expanded.encoding,
                      QString::fromStdString(readmeFileName(item->text().toStdString())));
    m_platform.showModal(&preview);
}

}  // namespace norvelle
