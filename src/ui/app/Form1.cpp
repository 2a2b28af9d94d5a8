#include "ui/app/Form1.h"

#include "core/document/FileTitle.h"
#include "core/document/SoftwareDataFile.h"
#include "core/document/Version.h"
#include "core/lists/RegisteredLists.h"
#include "ui/app/SoftwareDataCommands.h"
#include "ui/help/OpenWithShell.h"
#include "ui/help/WizardSetting.h"
#include "ui/help/frmAbout.h"
#include "ui/lists/CopyrightRegistration.h"
#include "ui/lists/Form2.h"
#include "ui/lists/Form3.h"
#include "ui/lists/ListStorage.h"
#include "ui/platform/Platform.h"
#include "ui/platform/Resources.h"
#include "ui/plugin/Form5.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QStringList>
#include <QStringListModel>
#include <QTimer>
#include <QUrl>
#include <optional>

namespace norvelle {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The software data file being dragged: exactly one local file ending in .sft. Anything else
// (text, several files, a Readme) is left to the control under the pointer.
std::optional<std::string> draggedDocument(const QMimeData* data) {
    if (!data || !data->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1) return std::nullopt;
    const QUrl& url = urls.front();
    if (!url.isLocalFile() || !url.fileName().endsWith(QStringLiteral(".sft"), Qt::CaseInsensitive))
        return std::nullopt;
    return url.toLocalFile().toStdString();
}

}  // namespace

void clearCombo(QComboBox* combo) {
    combo->clear();
    combo->setEditText(QString());
}

void setEditText(QComboBox* combo, const QString& text) {
    combo->setEditText(text);
    combo->lineEdit()->setCursorPosition(0);  // show the start of a long text, not its end
}

Form1::Form1(Platform& platform, AppState& state, QWidget* parent)
    : QMainWindow(parent), m_platform(platform), m_state(state) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Norvelle  Ver "));
    // A fixed single border with a minimize button and no maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Decoding the icon's seven sizes takes a few milliseconds; the window goes on screen
    // first and takes its icon on the event loop's first turn, a frame later at most.
    auto* iconTimer = new QTimer(this);
    iconTimer->setSingleShot(true);
    connect(iconTimer, &QTimer::timeout, this, [this] { setWindowIcon(ProgramIcon()); });
    iconTimer->start(0);
    buildMenus();
    buildFields();
    Form_Load();
}

Form1::~Form1() = default;

QLineEdit* Form1::Text2(int index) const {
    Q_ASSERT(index != 3);
    return m_text2.at(index);
}


// The controls of the fourteen fields, in the order software data files keep them.
std::array<QWidget*, kSoftwareDataFieldCount> Form1::fieldControls() const {
    return {m_text2[0],  m_text2[1],  m_text2[2],  m_combo1[0], m_combo1[1],
            m_combo1[2], m_combo1[3], m_text2[4],  m_combo1[4], m_combo1[5],
            m_text1[0],  m_text1[1],  m_text1[2],  m_text1[3]};
}

SoftwareData Form1::softwareData() const {
    SoftwareData d;
    SoftwareDataFields fields;
    const auto controls = fieldControls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const auto* combo = qobject_cast<const QComboBox*>(controls[i]);
        fields[i] = (combo ? combo->currentText() : static_cast<const QLineEdit*>(controls[i])->text())
                        .toStdString();
    }
    assignFieldTexts(d, fields);
    const int count = m_list1->count();
    d.neededFiles.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QListWidgetItem* item = m_list1->item(i);
        d.neededFiles.push_back({item->text().toStdString(), item->isSelected()});
    }
    return d;
}

// Through the controls, so the form reacts as it does to typing: a software type switches
// the fee field on or off. The needed-files list keeps its entries when they are the same,
// and only its selection changes.
void Form1::setSoftwareData(const SoftwareData& d) {
    const SoftwareDataFields fields = fieldTexts(d);
    const auto controls = fieldControls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (auto* combo = qobject_cast<QComboBox*>(controls[i]))
            setEditText(combo, q(fields[i]));
        else
            static_cast<QLineEdit*>(controls[i])->setText(q(fields[i]));
    }

    bool sameEntries = m_list1->count() == static_cast<int>(d.neededFiles.size());
    for (int i = 0; sameEntries && i < m_list1->count(); ++i)
        sameEntries = m_list1->item(i)->text().toStdString() == d.neededFiles[i].name;
    if (sameEntries) {
        m_list1->clearSelection();
    } else {
        m_list1->clear();
        for (const NeededFile& entry : d.neededFiles) m_list1->addItem(q(entry.name));
    }
    for (int i = 0; i < m_list1->count(); ++i)
        if (d.neededFiles[i].selected) m_list1->item(i)->setSelected(true);
}

void Form1::setDocumentTitle(const QString& title) {
    setWindowTitle(q(m_state.TitlePrefix) + QStringLiteral(" - ") + title);
}

void Form1::Combo1_Change(int /*index*/) {
    const bool shareware = Combo1(3)->currentText() == QStringLiteral("シェアウエア");
    Label1(7)->setEnabled(shareware);
    Text2(4)->setEnabled(shareware);
}

namespace {

// The field's list becomes `entries` and its text the first of them. A plain list model takes
// ten thousand addresses at once, without an item object and a change signal for each.
void showEntries(QComboBox* combo, const QStringList& entries) {
    clearCombo(combo);
    static_cast<QStringListModel*>(combo->model())->setStringList(entries);
    combo->setCurrentIndex(0);
}

// A missing or unreadable e-mail or home-page file leaves its field as it is; an empty one
// empties it.
void showRegisteredList(QComboBox* combo, const ListFile& file) {
    switch (file.state) {
        case ListFile::State::Missing:
        case ListFile::State::Unreadable:
            return;  // the field keeps its list and its text
        case ListFile::State::Empty:
            clearCombo(combo);
            return;
        case ListFile::State::Items: {
            QStringList entries;
            entries.reserve(static_cast<qsizetype>(file.items.size()));
            for (const auto& item : file.items) entries.push_back(q(item));
            showEntries(combo, entries);
            return;
        }
    }
}

}  // namespace

// The needed-files list is always rebuilt (which drops its selection): the fixed entries,
// then the registered ones.
void Form1::refreshRegisteredLists(CutWarning warning) {
    const RegisteredListFiles files = loadRegisteredLists();
    QStringList cut;
    noteCutList(cut, kEmailFile, files.email);
    noteCutList(cut, kHomePageFile, files.homePage);
    noteCutList(cut, kNeededFilesFile, files.neededFiles);
    showRegisteredList(m_combo1[4], files.email);
    showRegisteredList(m_combo1[5], files.homePage);

    m_list1->clear();
    QStringList entries;
    for (const auto& entry : neededFileEntries(files.neededFiles)) entries.push_back(q(entry));
    m_list1->addItems(entries);
    if (files.neededFiles.state == ListFile::State::Items)
        m_list1->setCurrentRow(0, QItemSelectionModel::NoUpdate);  // the focus mark only

    m_list1->update();
    m_combo1[4]->update();
    m_combo1[5]->update();
    if (warning == CutWarning::Show) reportCutLists(m_platform, this, cut);
}

void Form1::Form_Load() {
    m_state.AppVersion = kAppVersion;
    m_state.TitlePrefix = "Norvelle  Ver " + m_state.AppVersion;

    Label1(7)->setEnabled(false);
    Text2(4)->setEnabled(false);

    refreshRegisteredLists(CutWarning::Show);

    showEntries(
        Combo1(0),
        {QStringLiteral("Windows 95/98/Me"), QStringLiteral("Windows 98/Me/2000"),
         QStringLiteral("Windows 95/98/2000"), QStringLiteral("Windows 95/98/Me/2000"),
         QStringLiteral("Windows 2000"), QStringLiteral("Windows Me"), QStringLiteral("Windows 98"),
         QStringLiteral("Windows 95"), QStringLiteral("Windows"), QStringLiteral("Windows NT"),
         QStringLiteral("Windows NT/2000"), QStringLiteral("Windows 95/98/Me/NT/2000"),
         QStringLiteral("Windows XP"), QStringLiteral("Windows 95/98/Me/XP"),
         QStringLiteral("Windows 95/98/Me/NT/2000/XP")});

    showEntries(
        Combo1(1),
        {QStringLiteral("Windows 98で動作確認済み"), QStringLiteral("Windows 95で動作確認済み"),
         QStringLiteral("Windows Meで動作確認済み"), QStringLiteral("Windows 2000で動作確認済み"),
         QStringLiteral("Windows NTで動作確認済み"), QStringLiteral("Windows 98SEで動作確認済み"),
         QStringLiteral("Windows XPで動作確認済み")});

    // From here on a failing step is passed over and start-up goes on. The registered
    // copyright holder: the first item of copyright.dat, when the file has one. A file that
    // cannot be read leaves the field as it is.
    const ListFile copyright = loadListFile(kCopyrightFile);
    if (copyright.state == ListFile::State::Items && !copyright.items.empty())
        Text2(2)->setText(q(copyright.items.front()));

    showEntries(Combo1(2),
                {QStringLiteral("可"), QStringLiteral("不可"), QStringLiteral("転載前、作者に連絡"),
                 QStringLiteral("転載後、作者に連絡")});

    showEntries(Combo1(3), {QStringLiteral("フリーウエア"), QStringLiteral("シェアウエア"),
                            QStringLiteral("メールウエア"), QStringLiteral("カンパウエア")});

    setDocumentTitle(QStringLiteral("(新規作成)"));
}

namespace {

// While nothing has been saved in this run, asks whether to save before the program ends.
// False when the program should stay open: the user cancelled, or the save went wrong.
bool mayEndAfterAsking(Form1& form, Platform& platform, const AppState& state,
                       const QString& question, MsgIcon icon) {
    if (state.DataSaved != 0) return true;
    MessageBoxRequest r;
    r.text = question;
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::YesNoCancel;
    r.icon = icon;
    r.defaultButton = MsgAnswer::Yes;
    switch (platform.messageBox(&form, r)) {
        case MsgAnswer::Cancel:
            return false;
        case MsgAnswer::Yes:
            // A cancelled dialog or a declined overwrite is the user's choice not to save;
            // a save that could not be written keeps the program open to try elsewhere.
            return form.saveDocument() != SaveOutcome::Failed;
        default:
            return true;
    }
}

}  // namespace

// New: the fields go back to their first texts and start-up runs again. Nothing is asked.
void Form1::sink_Click() {
    SoftwareData blank;
    blank.version = "Ver ";
    blank.fee = "\\";
    blank.homePage = "http://";
    blank.neededFiles = softwareData().neededFiles;  // start-up rebuilds the list
    setSoftwareData(blank);
    Form_Load();
    setDocumentTitle(QStringLiteral("(新規作成)"));
}

void Form1::softl_Click() {
    if (auto loaded = openSoftwareData(m_platform, m_state, this, softwareData()))
        showLoadedDocument(*loaded);
}

void Form1::openDocument(const std::string& path) {
    if (auto loaded = openSoftwareDataFile(m_platform, m_state, this, path, softwareData()))
        showLoadedDocument(*loaded);
}

void Form1::showLoadedDocument(const SoftwareData& loaded) {
    setSoftwareData(loaded);
    setDocumentTitle(q(FileTitleFromPath(m_state.CurrentFileName)));
}

SaveOutcome Form1::saveDocument() {
    const SaveOutcome outcome = saveSoftwareData(m_platform, m_state, this, softwareData());
    if (outcome == SaveOutcome::Saved)
        setDocumentTitle(q(FileTitleFromPath(m_state.CurrentFileName)));
    return outcome;
}

void Form1::softs_Click() {
    saveDocument();
}

void Form1::syuu_Click() {
    if (!mayEndAfterAsking(*this, m_platform, m_state, QStringLiteral("                          セーブしますか?"),
                           MsgIcon::None))
        return;
    m_ending = true;
    m_platform.endProgram();
}

void Form1::m_Click() {
    Form5 dialog(
        m_platform, m_state, [this] { return softwareData(); }, this);
    m_platform.showModal(&dialog);
}
void Form1::email_Click() {
    m_state.RegistrationMode = 1;
    Form2 dialog(m_platform, m_state, this);
    showRegistration(dialog);
}
void Form1::hpr_Click() {
    m_state.RegistrationMode = 2;
    Form2 dialog(m_platform, m_state, this);
    showRegistration(dialog);
}
void Form1::tyo_Click() {
    if (const std::optional<QString> holder = registerCopyright(m_platform, this, Text2(2)->text()))
        Text2(2)->setText(*holder);
}
void Form1::hitu_Click() {
    Form3 dialog(m_platform, m_state, this);
    showRegistration(dialog);
}

void Form1::showRegistration(RegistrationDialog& dialog) {
    // The user heard about any list read in part when the dialog opened, or at start-up.
    connect(&dialog, &RegistrationDialog::refreshMainLists, this,
            [this] { refreshRegisteredLists(CutWarning::AlreadyShown); });
    m_platform.showModal(&dialog);
}
// The check mark shows the stored value: checked "0" (wizard wanted), unchecked "1".
void Form1::wizard_Click() {
    QAction* entry = findChild<QAction*>(QStringLiteral("wizard"));
    // Chosen from the menu, the entry has flipped its own mark already; the mark it had before
    // the click decides.
    const bool wasChecked = sender() == entry ? !entry->isChecked() : entry->isChecked();
    if (wasChecked) {
        WriteWizardSetting(m_platform, QStringLiteral("1"));
        entry->setChecked(false);
    } else {
        WriteWizardSetting(m_platform, QStringLiteral("0"));
        entry->setChecked(true);
    }
}

void Form1::html_Click() {
    // The path as the system writes it: on Windows the shell hands it to the opened program.
    OpenWithShell(m_platform, QDir::toNativeSeparators(m_platform.programFolder() +
                                                       QStringLiteral("/norvelle.txt")));
}

void Form1::vvv_Click() {
    frmAbout box(m_platform, m_state, *this);
    m_platform.showModal(&box);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (draggedDocument(event->mimeData())) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    if (const auto path = draggedDocument(event->mimeData())) {
        event->acceptProposedAction();
        openDocument(*path);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!draggedDocument(drag->mimeData())) break;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop:
            if (!draggedDocument(static_cast<QDropEvent*>(event)->mimeData())) break;
            dropEvent(static_cast<QDropEvent*>(event));
            return true;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Closing the window by its close box, the system menu or the end of the session.
void Form1::closeEvent(QCloseEvent* event) {
    if (m_ending || mayEndAfterAsking(*this, m_platform, m_state, QStringLiteral("セーブしますか?"),
                                      MsgIcon::Question))
        event->accept();
    else
        event->ignore();
}

}  // namespace norvelle
