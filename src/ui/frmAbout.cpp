#include "frmAbout.h"

#include "ui/common/Twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

QLabel *aboutLabel(QWidget *parent, const char *name, const QString &text, const QRect &rect)
{
    auto *label = placed(new QLabel(text, parent), name, rect);
    // Static text only: no rich text, no links, no selection.
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget *mainWindow, QWidget *parent) : QDialog(parent), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quillon"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);

    cmdOK = placed(new QPushButton(QStringLiteral("OK"), this), "cmdOK",
                   twipsRect(1560, 120, 1260, 345));
    cmdOK->setDefault(true);

    lblTitle = aboutLabel(this, "lblTitle", QStringLiteral("Quillon v 1.0"),
                          twipsRect(90, 120, 1365, 480));
    lblVersion
        = aboutLabel(this, "lblVersion", QStringLiteral("Coded by Brannoc - use at your own risk"),
                     twipsRect(90, 660, 2805, 225));
    Label1 = aboutLabel(this, "Label1", QStringLiteral("dev@example.com"),
                        twipsRect(720, 960, 1455, 255));
    Label2 = aboutLabel(this, "Label2",
                        QStringLiteral("Please take a look at the readme file for credits and "
                                       "other info."),
                        twipsRect(120, 1320, 2775, 495));

    cmdOK->setFocus();
    // Esc reaches QDialog::reject(), which closes the box just as OK does.
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    // Fixed place on the screen, not centred: setGeometry places the client area.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    setGeometry(QRect(origin + QPoint(twips(2340), twips(1935)), QSize(twips(3000), twips(1800))));
    setFixedSize(twips(3000), twips(1800));

    Form_Load();
}

void frmAbout::Form_Load()
{
    if (m_mainWindow)
        setWindowIcon(m_mainWindow->windowIcon());
}

void frmAbout::cmdOK_Click()
{
    accept();
}
