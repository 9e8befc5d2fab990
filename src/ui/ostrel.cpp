#include "ostrel.h"

#include "AppIcon.h"
#include "ArchiveDrop.h"
#include "BusyPointer.h"
#include "DisplayField.h"
#include "EntryCommands.h"
#include "EntryListModel.h"
#include "EntryListView.h"
#include "ProgressLabel.h"
#include "archive/DirectoryReader.h"
#include "compress/Packwell.h"
#include "extract/EntryWriter.h"
#include "extract/Extraction.h"
#include "frmAbout.h"
#include "ui/common/Twips.h"
#include "ui/folders/dlgDir.h"

#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The client area below the menu bar, in twips.
constexpr int kClientWidth = 9315;
constexpr int kClientHeight = 5445;

void chooseWithDirDialog(ostrel &window)
{
    // Owned by the main window, so it opens over it and stays in front of it.
    dlgDir dialog(
        &window, [&window](const QString &pathStr) { window.getDir(pathStr); }, &window);
    dialog.exec();
}

} // namespace

ostrel::ostrel(QWidget *parent)
    : QMainWindow(parent,
                  Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                      | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ostrel"));
    setWindowTitle(QStringLiteral("Quillon"));
    setWindowIcon(AppIcon::icon());
    createControls();
    createActions();
    createMenus();
    setExportEnabled(false);
    setFileChooser({});
    setDirChooser({});
    setMessageSink({});
    resize(twips(kClientWidth), twips(kClientHeight) + menuBar()->sizeHint().height());
    // A ".dat" file dropped on the window opens as if chosen in the File Open dialog.
    new ArchiveDrop(this, [this](const QString &path) { openArchive(path); });
}

ostrel::~ostrel() = default;

void ostrel::createControls()
{
    fmMain = placed(new QFrame(this), "fmMain", twipsRect(0, 0, 9255, 5415));
    fmMain->setFrameShape(QFrame::NoFrame);
    setCentralWidget(new QWidget(this));
    fmMain->setParent(centralWidget());

    Label1 = placed(new QLabel(QStringLiteral("Open Dat File :"), fmMain), "Label1",
                    twipsRect(120, 240, 1215, 255));
    txtOpened = placed(new DisplayField(fmMain), "txtOpened", twipsRect(1320, 240, 5775, 285));
    Label2 = placed(new QLabel(QStringLiteral("Dat Contents :"), fmMain), "Label2",
                    twipsRect(120, 720, 1575, 255));
    Label3 = placed(new QLabel(QStringLiteral("Entries :"), fmMain), "Label3",
                    twipsRect(7440, 720, 615, 255));
    txtEntries = placed(new DisplayField(fmMain), "txtEntries", twipsRect(8160, 720, 975, 285));
    txtEntries->setAlignment(Qt::AlignCenter);
    lstDat = placed(new EntryListView(fmMain), "lstDat", twipsRect(240, 1080, 8895, 3660));
    m_entryModel = new EntryListModel(this);
    lstDat->setModel(m_entryModel);
    connect(lstDat, &EntryListView::mousePressed, this, &ostrel::lstDat_MouseDown);

    cmdExport = placed(new QPushButton(QStringLiteral("Export"), fmMain), "cmdExport",
                       twipsRect(360, 4920, 855, 375));
    cmdExportAll = placed(new QPushButton(QStringLiteral("Export All"), fmMain), "cmdExportAll",
                          twipsRect(1320, 4920, 855, 375));
    connect(cmdExport, &QPushButton::clicked, this, &ostrel::cmdExport_Click);
    connect(cmdExportAll, &QPushButton::clicked, this, &ostrel::cmdExportAll_Click);

    // Opaque, so repainting it for every exported entry never repaints the frame behind it.
    lblExtract = placed(new ProgressLabel(fmMain), "lblExtract", twipsRect(2280, 4800, 6855, 495));
    // Hidden outside an export, as every export leaves it; empty, it shows nothing anyway, and
    // hidden it is not offered to a screen reader as an unexplained blank.
    lblExtract->hide();

    // What a screen reader says for the controls whose caption is not their own text. The path
    // of the entry being exported is the progress label's description, kept in step with it.
    txtOpened->setAccessibleName(QStringLiteral("Opened archive"));
    txtEntries->setAccessibleName(QStringLiteral("Entry count"));
    lstDat->setAccessibleName(QStringLiteral("Entries"));
    Label1->setBuddy(txtOpened);
    Label2->setBuddy(lstDat);
    Label3->setBuddy(txtEntries);

    // Hosted in user mode; its face has no use while the program runs.
    Packwell1 = new Packwell(fmMain);
    Packwell1->setObjectName(QStringLiteral("Packwell1"));
    Packwell1->hide();

    // Only the list and the two buttons can take the focus; the rest follow for completeness.
    const QList<QWidget *> order { fmMain,       Label1, txtOpened,  lstDat, cmdExport,
                                   cmdExportAll, Label2, txtEntries, Label3, lblExtract };
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void ostrel::createActions()
{
    const auto action = [this](const QString &text, const char *name, void (ostrel::*slot)()) {
        auto *a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    mnuFileOpen = action(QStringLiteral("&Open"), "mnuFileOpen", &ostrel::mnuFileOpen_Click);
    mnuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileClose = action(QStringLiteral("&Close"), "mnuFileClose", &ostrel::mnuFileClose_Click);
    mnuFileSave
        = action(QStringLiteral("&Export Selected"), "mnuFileSave", &ostrel::mnuFileSave_Click);
    mnuFileSaveAs = action(QStringLiteral("Export Selected &As..."), "mnuFileSaveAs",
                           &ostrel::mnuFileSaveAs_Click);
    mnuFileSaveAll
        = action(QStringLiteral("Export A&ll"), "mnuFileSaveAll", &ostrel::mnuFileSaveAll_Click);
    mnuFileExit = action(QStringLiteral("E&xit"), "mnuFileExit", &ostrel::mnuFileExit_Click);
    mnuHelpAbout
        = action(QStringLiteral("&About Quillon..."), "mnuHelpAbout", &ostrel::mnuHelpAbout_Click);
}

void ostrel::createMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->addAction(mnuFileOpen);
    mnuFile->addAction(mnuFileClose);
    mnuFileBar1 = mnuFile->addSeparator();
    mnuFileBar1->setObjectName(QStringLiteral("mnuFileBar1"));
    mnuFile->addAction(mnuFileSave);
    mnuFile->addAction(mnuFileSaveAs);
    mnuFile->addAction(mnuFileSaveAll);
    mnuFileBar5 = mnuFile->addSeparator();
    mnuFileBar5->setObjectName(QStringLiteral("mnuFileBar5"));
    mnuFile->addAction(mnuFileExit);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp->addAction(mnuHelpAbout);

    // An open menu is announced by its title, as on the menu bar.
    for (QMenu *menu : { mnuFile, mnuHelp })
        menu->setAccessibleName(QString(menu->title()).remove(QLatin1Char('&')));
    m_commands = new EntryCommands(*this, m_archive, lstDat, mnuHelp,
                                   [this](const QString &text) { m_showMessage(text); });
}

void ostrel::getDir(const QString &pathStr)
{
    m_extractDir = pathStr;
}

void ostrel::setFileChooser(FileChooser chooser)
{
    m_chooseFile = chooser
        ? std::move(chooser)
        : [](QWidget *parent, const QString &title, const QString &filter) {
              return QFileDialog::getOpenFileName(parent, title, QString(), filter);
          };
}

void ostrel::setDirChooser(DirChooser chooser)
{
    m_chooseDir = chooser ? std::move(chooser) : chooseWithDirDialog;
}

void ostrel::setMessageSink(MessageSink sink)
{
    m_showMessage = sink ? std::move(sink) : [this](const QString &text) {
        QMessageBox(QMessageBox::NoIcon, QStringLiteral("Quillon"), text, QMessageBox::Ok, this)
            .exec();
    };
}

void ostrel::message(const QString &text)
{
    m_showMessage(text);
}

void ostrel::Form_Load()
{
    show();
}

void ostrel::setExportEnabled(bool enabled)
{
    cmdExport->setEnabled(enabled);
    cmdExportAll->setEnabled(enabled);
    mnuFileSave->setEnabled(enabled);
    mnuFileSaveAll->setEnabled(enabled);
    mnuFileSaveAs->setEnabled(enabled);
    m_commands->setArchiveOpen(enabled);
}

void ostrel::mnuFileOpen_Click()
{
    const QString chosen
        = m_chooseFile(this, QStringLiteral("File Open"), QStringLiteral("DAT file (*.dat)"));
    if (chosen.isEmpty())
        return; // Cancel changes nothing
    openArchive(chosen);
}

void ostrel::openArchive(const QString &path)
{
    setExportEnabled(true);
    setArchive({ .archivePath = path });
    // An archive that cannot be read ends the command without a message, in the "no archive"
    // state, so the export commands never act on a half-read directory.
    if (!readDirectory())
        mnuFileClose_Click();
}

void ostrel::setArchive(OpenArchive archive)
{
    m_archive = std::move(archive);
    // A new archive replaces the old names, so list position i stays table row i.
    m_entryModel->setTable(m_archive.entries);
}

bool ostrel::readDirectory()
{
    BusyPointer busy;
    repaint();
    lstDat->hide();

    // Only a regular file is an archive: a FIFO would hold the window until a writer came.
    // The file stays open only while its directory is read; each export opens it again.
    ArchiveFile archive;
    DirectoryReader reader;
    // The count and the path show while the names are read.
    reader.setCountHandler([this](qint32 count) {
        txtEntries->setText(QString::number(count));
        txtOpened->setText(m_archive.archivePath);
        txtEntries->repaint();
        txtOpened->repaint();
    });
    const bool ok = reader.open(QFile::encodeName(m_archive.archivePath), archive);
    if (ok)
        setArchive({ .archivePath = m_archive.archivePath,
                     .identity = archive.identity(),
                     .dirSize = reader.dirSize(),
                     .dirStart = reader.dirStart(),
                     .entryCount = reader.entryCount(),
                     .entries = reader.table() });
    lstDat->show();
    repaint();
    return ok;
}

void ostrel::mnuFileClose_Click()
{
    // The table and the count stay until the next Open; the disabled export commands keep
    // them out of reach.
    setExportEnabled(false);
    txtEntries->clear();
    txtOpened->clear();
    m_entryModel->clear();
}

void ostrel::mnuFileExit_Click()
{
    close();
}

void ostrel::lstDat_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift)
{
    Q_UNUSED(button); // every button narrows the selection alike
    // Ctrl alone adds to or takes from the selection; any other press keeps only the current
    // item. Working on the selection's ranges keeps this cheap however long the list is.
    if ((shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        == Qt::ControlModifier)
        return;
    QItemSelectionModel *selection = lstDat->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isSelected(current))
        selection->select(current, QItemSelectionModel::ClearAndSelect);
    else
        selection->clearSelection();
}

void ostrel::mnuHelpAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

void ostrel::cmdExport_Click()
{
    mnuFileSave_Click();
}

void ostrel::cmdExportAll_Click()
{
    mnuFileSaveAll_Click();
}

void ostrel::mnuFileSave_Click()
{
    if (selectedCount() > 0)
        runExtraction(SelectedEntries);
    else
        m_showMessage(QStringLiteral("Nothing selected"));
}

void ostrel::mnuFileSaveAs_Click()
{
    if (selectedCount() == 1)
        runExtraction(SelectedEntries);
    else
        m_showMessage(QStringLiteral("Can only do this with one file selected"));
}

void ostrel::mnuFileSaveAll_Click()
{
    runExtraction(AllEntries);
}

qint64 ostrel::selectedCount() const
{
    return EntryListView::selectedCount(lstDat->selectionModel()->selection());
}

void ostrel::runExtraction(ExtractMode mode)
{
    m_chooseDir(*this);
    if (m_extractDir.isEmpty())
        return;

    lblExtract->setVisible(true);
    {
        BusyPointer busy;
        repaint();
        EntryWriter writer(
            QFile::encodeName(m_archive.archivePath), QFile::encodeName(m_extractDir),
            [this](QByteArray &TheData, const qint32 &OrigSize) {
                return Packwell1->DecompressData(TheData, OrigSize);
            },
            *this);
        writer.setArchiveIdentity(m_archive.identity);
        Extraction extraction(m_archive.entries, m_extractDir, writer,
                              [this](const QString &outputPath) { showProgress(outputPath); });
        m_extraction = &extraction;
        qint64 count = 0;
        if (mode == AllEntries) {
            extraction.extractAll();
            count = m_archive.entryCount; // the directory's own count, not the rows walked
        } else {
            captureSelection();
            extractSelected();
            count = selectedCount();
        }
        m_extraction = nullptr;
        // The busy pointer and the last path stay up until the message is dismissed.
        m_showMessage(QStringLiteral("Done extracting %1 files.").arg(count));
    }
    lblExtract->hide();
    lblExtract->clear();
}

void ostrel::showProgress(const QString &outputPath)
{
    // Only the label is painted: the path is on screen before the entry's writer runs.
    lblExtract->setText(outputPath);
    lblExtract->repaint();
}

void ostrel::captureSelection()
{
    m_selIndex = EntryListView::selectedRows(lstDat->selectionModel()->selection());
}

void ostrel::extractSelected()
{
    m_extraction->extractRows(m_selIndex);
}
