#include "dlgDir.h"

#include "DirListBox.h"
#include "DriveListBox.h"
#include "FolderPaths.h"
#include "Volumes.h"
#include "ui/common/Twips.h"

#include <QDir>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QRect &rect)
{
    auto *label = placed(new QLabel(text, parent), name, rect);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, const QRect &rect)
{
    auto *button = placed(new QPushButton(text, parent), name, rect);
    // No default button: left on, Qt would promote one (Cancel) and Enter in the lists would
    // press it. Enter on a focused button is handled in keyPressEvent instead.
    button->setAutoDefault(false);
    return button;
}

} // namespace

dlgDir::dlgDir(QWidget *mainWindow, std::function<void(const QString &)> getDir, QWidget *parent)
    : QDialog(parent), m_mainWindow(mainWindow), m_getDir(std::move(getDir))
{
    setObjectName(QStringLiteral("dlgDir"));
    setWindowTitle(QStringLiteral("Choose Extract Directory"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips(4785), twips(3195));

    Label1 = makeLabel(this, "Label1", QStringLiteral("Select Directory to Extract to :"),
                       twipsRect(120, 120, 2295, 255));

    Dir1 = placed(new DirListBox(this), "Dir1", twipsRect(120, 360, 2895, 2340));
    Drive1 = placed(new DriveListBox(this), "Drive1", twipsRect(240, 2760, 2655, 315));

    cmdNew
        = makeButton(this, "cmdNew", QStringLiteral("New Folder"), twipsRect(3120, 360, 975, 375));
    Label2 = makeLabel(this, "Label2", QStringLiteral("WARNING:"), twipsRect(3120, 840, 1695, 255));
    Label3 = makeLabel(this, "Label3",
                       QStringLiteral("If there are already files of the same name in these "
                                      "folders they will be overwritten!!!"),
                       twipsRect(3120, 1200, 1575, 855));
    Label3->setWordWrap(true);
    OKButton = makeButton(this, "OKButton", QStringLiteral("OK"), twipsRect(3720, 2160, 975, 375));
    CancelButton = makeButton(this, "CancelButton", QStringLiteral("Cancel"),
                              twipsRect(3720, 2640, 975, 375));

    // The lists' captions for a screen reader; the label above the folders names their purpose.
    Dir1->setAccessibleName(QStringLiteral("Folders"));
    Drive1->setAccessibleName(QStringLiteral("Drives"));
    Label1->setBuddy(Dir1);

    // The labels take no focus, so only these make up the tab chain.
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, Dir1);
    setTabOrder(Dir1, Drive1);
    setTabOrder(Drive1, cmdNew);
    OKButton->setFocus();

    connect(OKButton, &QPushButton::clicked, this, &dlgDir::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &dlgDir::CancelButton_Click);
    connect(cmdNew, &QPushButton::clicked, this, &dlgDir::cmdNew_Click);
    connect(Drive1, &DriveListBox::driveChanged, this, &dlgDir::Drive1_Change);
    // The folder list can leave the picked volume (it lists from "/"); keep the drive list in
    // step with it.
    connect(Dir1, &DirListBox::pathChanged, Drive1, &DriveListBox::showDriveHolding);

    Form_Load();
}

void dlgDir::reject()
{
    CancelButton_Click();
}

void dlgDir::keyPressEvent(QKeyEvent *event)
{
    // The keypad's Enter carries the keypad modifier; it acts as Return.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget())) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void dlgDir::CancelButton_Click()
{
    extractDir.clear();
    report();
    QDialog::reject();
}

void dlgDir::cmdNew_Click()
{
    bool ok = false;
    const QString answer = QInputDialog::getText(this, QStringLiteral("New Folder"),
                                                 QStringLiteral("Enter Name for New Folder :"),
                                                 QLineEdit::Normal, QString(), &ok);
    if (!ok || answer.isEmpty())
        return;
    const QString created = FolderPaths::createSubFolder(Dir1->path(), answer);
    if (created.isEmpty())
        return;
    Dir1->setPath(created);
}

void dlgDir::Drive1_Change()
{
    const QString folder
        = Volumes::startFolder(Drive1->volumes(), Drive1->currentIndex(), QDir::currentPath());
    // A volume that cannot be read leaves the folder list where it was; the drive list goes
    // back to the volume that list is on.
    if (folder.isEmpty() || !Dir1->setPath(folder))
        Drive1->showDriveHolding(Dir1->path());
}

void dlgDir::Form_Load()
{
    if (m_mainWindow)
        setWindowIcon(m_mainWindow->windowIcon());
    extractDir.clear();
}

void dlgDir::OKButton_Click()
{
    extractDir = Dir1->path();
    report();
    QDialog::accept();
}

void dlgDir::report()
{
    if (m_reported)
        return;
    m_reported = true;
    if (m_getDir)
        m_getDir(extractDir);
}
