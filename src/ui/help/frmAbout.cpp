#include "ui/help/frmAbout.h"

#include "core/document/AppState.h"
#include "ui/help/OpenWithShell.h"
#include "ui/platform/Fonts.h"
#include "ui/platform/Resources.h"
#include "ui/platform/Twips.h"

#include <QColor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace norvelle {

namespace {

const QColor kLinkBlue(0, 0, 255);
const QColor kLinkRed(255, 0, 0);

// The maker's support address and home page, which the links show and open.
const char* const kSupportAddress = "info@example.org";
const char* const kHomePage = "http://example.org/";

// A label at least as large as its text, so that no font cuts off its last letters or the
// underline of a link.
void fitToText(QLabel* label) {
    label->resize(label->size().expandedTo(label->sizeHint()));
}

void setTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

}  // namespace

frmAbout::frmAbout(Platform& platform, const AppState& state, QWidget& owner)
    : QDialog(&owner), m_platform(platform), m_state(state), m_owner(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    // A fixed dialog border without minimize and maximize buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips(3645), twips(2445));
    setFont(PGothic(9));
    // The links turn blue again when the mouse moves over the background, buttons up or not.
    setMouseTracking(true);

    auto makeLabel = [this](const char* name, const QString& text, int left, int top, int width,
                            int height) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        // A move over a label is the label's own, not the background's.
        label->setAttribute(Qt::WA_NoMousePropagation);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        place(label, left, top, width, height);
        return label;
    };

    m_picIcon = makeLabel("picIcon", QString(), 240, 240, 540, 540);

    m_lblTitle = makeLabel("lblTitle", QString(), 1050, 240, 2325, 240);
    QFont titleFont = PGothic(9.75);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);

    m_lblVersion = makeLabel("lblVersion", QString(), 2760, 480, 885, 225);
    makeLabel("Label3", QStringLiteral("(C) Norvelle作者"), 1440, 840, 2160, 180);

    makeLabel("Label2", QStringLiteral("Mailaddress"), 480, 1200, 975, 255);
    m_label4 = makeLabel("Label4", QString::fromLatin1(kSupportAddress), 1680, 1200, 1695, 180);
    makeLabel("Label1", QStringLiteral("HomePage"), 480, 1440, 855, 255);
    m_label5 = makeLabel("Label5", QString::fromLatin1(kHomePage), 1440, 1440, 2055, 255);

    QFont linkFont = PGothic(9);
    linkFont.setUnderline(true);
    for (QLabel* link : {m_label4, m_label5}) {
        link->setFont(linkFont);
        link->setCursor(RightHandCursor());
        setTextColor(link, kLinkBlue);
        link->installEventFilter(this);
    }
    m_label4->setAccessibleDescription(QStringLiteral("メールを送ります"));
    m_label5->setAccessibleDescription(QStringLiteral("ホームページを開きます"));

    // OK is both the default and the cancel button: Enter presses it, and Esc closes the box
    // as OK would.
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    place(m_cmdOK, 1200, 1920, 1380, 345);
    m_cmdOK->setDefault(true);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Form_Load();
    for (QLabel* label : findChildren<QLabel*>()) fitToText(label);
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load() {
    const QString title = QString::fromLatin1(kAppTitle);
    setWindowTitle(title + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    m_lblVersion->setText(QStringLiteral("Ver ") + QString::fromStdString(m_state.AppVersion));
    m_lblTitle->setText(title);
    const QIcon icon = m_owner.window()->windowIcon();
    setWindowIcon(icon);
    m_picIcon->setPixmap(icon.pixmap(QSize(32, 32), devicePixelRatioF()));
}

void frmAbout::Form_MouseMove() {
    setTextColor(m_label5, kLinkBlue);
    setTextColor(m_label4, kLinkBlue);
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::Label4_Click() {
    setTextColor(m_label4, kLinkRed);
    // Handed over as it stands: the subject is not percent-encoded.
    OpenWithShell(m_platform, QStringLiteral("mailto:") + m_label4->text() +
                                  QStringLiteral("?Subject=Norvelle Ver ") +
                                  QString::fromStdString(m_state.AppVersion) +
                                  QStringLiteral(" について"));
}

void frmAbout::Label5_Click() {
    setTextColor(m_label5, kLinkRed);
    OpenWithShell(m_platform, m_label5->text());
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    // A link is clicked when the left button is let go over it.
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == m_label4 || watched == m_label5)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* label = static_cast<QLabel*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (label == m_label4)
                Label4_Click();
            else
                Label5_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The etched separator above the button: a grey line with a white line under it.
    QPainter painter(this);
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(twips(120), twips(1785), twips(3480), twips(1785));
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(twips(120), twips(1800), twips(3480), twips(1800));
}

}  // namespace norvelle
