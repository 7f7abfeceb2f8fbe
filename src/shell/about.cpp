#include "shell/about.h"

#include "shell/app.h"
#include "shell/icons.h"
#include "shell/mw_main.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace mw {

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    setFont(font);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);
    panel->setGeometry(7, 8, 307, 337);

    auto* logo = new QLabel(panel);
    logo->setObjectName(QStringLiteral("ProgramIcon"));
    logo->setPixmap(listIcon(IconFramedPicture).pixmap(QSize(64, 64), devicePixelRatioF()));
    logo->setGeometry(121, 24, 64, 64);

    m_productName = new QLabel(panel);
    m_productName->setObjectName(QStringLiteral("ProductName"));
    QFont titleFont = font;
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    m_productName->setFont(titleFont);
    m_productName->setAlignment(Qt::AlignCenter);
    m_productName->setGeometry(8, 104, 291, 30);

    m_version = new QLabel(panel);
    m_version->setObjectName(QStringLiteral("Version"));
    m_version->setAlignment(Qt::AlignCenter);
    m_version->setGeometry(8, 140, 291, 20);

    auto* blurb = new QLabel(QStringLiteral("Decorative frames for your photographs."), panel);
    blurb->setObjectName(QStringLiteral("Comments"));
    blurb->setAlignment(Qt::AlignCenter);
    blurb->setGeometry(8, 178, 291, 20);

    auto* copyright = new QLabel(QStringLiteral("Copyright \u00A9 2004-2026 Quillmoor Software.\nAll rights reserved."), panel);
    copyright->setObjectName(QStringLiteral("Copyright"));
    copyright->setAlignment(Qt::AlignCenter);
    copyright->setGeometry(8, 236, 291, 40);

    auto* link = new QLabel(QStringLiteral("www.quillmoor.example"), panel);
    link->setObjectName(QStringLiteral("WebLink"));
    QFont linkFont = font;
    linkFont.setUnderline(true);
    link->setFont(linkFont);
    QPalette blue = link->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    link->setPalette(blue);
    link->setCursor(Qt::PointingHandCursor);
    link->setAlignment(Qt::AlignCenter);
    // The address lives in the hint, where the click handler reads it.
    link->setToolTip(webAddress());
    link->setGeometry(8, 290, 291, 20);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    QFont bold = font;
    bold.setBold(true);
    ok->setFont(bold);
    ok->setDefault(true);
    ok->setGeometry(123, 350, 77, 27);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // A label has no click signal; a released press over it counts as the click.
    struct LinkClick : QObject {
        TAboutBox* box;
        QLabel* label;
        LinkClick(TAboutBox* b, QLabel* l) : QObject(l), box(b), label(l) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::MouseButtonRelease) {
                box->ClickForURL(label);
                return true;
            }
            return false;
        }
    };
    link->installEventFilter(new LinkClick(this, link));

    FormCreate();
}

QString TAboutBox::webAddress()
{
    return QStringLiteral("https://www.quillmoor.example/mountwell/");
}

void TAboutBox::FormCreate()
{
    // The panel's right edge and the button's bottom edge, each with a 4-pixel margin.
    const QWidget* panel = findChild<QFrame*>(QStringLiteral("Panel1"));
    const QWidget* ok = findChild<QPushButton*>(QStringLiteral("OKButton"));
    setFixedSize(panel->geometry().x() + panel->width() + 4, ok->geometry().y() + ok->height() + 4);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
    // Centred on the main window.
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->window()->frameGeometry();
        move(frame.center() - rect().center());
    }
}

void TAboutBox::FormShow()
{
    setWindowTitle(QStringLiteral("About Quillmoor Mountwell"));
    m_productName->setText(QStringLiteral("Quillmoor Mountwell"));
    m_version->setText(QStringLiteral("Ver: 1.3"));
}

void TAboutBox::ClickForURL(QLabel* link)
{
    const QString address = link->toolTip();
    guarded(this, [&] {
        if (auto* main = qobject_cast<TMWMainForm*>(parentWidget()))
            main->OpenWebPage(address);
        else
            openUrl(QUrl(address));
    });
}

} // namespace mw
