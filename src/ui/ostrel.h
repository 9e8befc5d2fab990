#pragma once

#include "OpenArchive.h"

#include "extract/ExtractReporter.h"

#include <QMainWindow>

#include <functional>
#include <vector>

class EntryCommands;
class EntryListModel;
class Extraction;
class Packwell;
class EntryListView;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

// The main window. It owns the program's state (the open archive, its directory, the captured
// selection and the extract directory) and carries the commands; the reading and writing work
// lives in the core library.
class ostrel : public QMainWindow, private ExtractReporter
{
    Q_OBJECT

public:
    // Asks the user for an archive to open; returns the chosen path, or an empty text on Cancel.
    using FileChooser
        = std::function<QString(QWidget *parent, const QString &title, const QString &filter)>;

    explicit ostrel(QWidget *parent = nullptr);
    ~ostrel() override;

    // The folder chooser reports the extract directory through this, on OK and on Cancel.
    void getDir(const QString &pathStr);

    // Shows the folder chooser, which reports through getDir().
    using DirChooser = std::function<void(ostrel &window)>;
    // Shows one of the program's messages and returns when the user has dismissed it.
    using MessageSink = std::function<void(const QString &text)>;

    // Replace the file dialog, the folder chooser and the message box, so tests can answer them;
    // an empty function puts the real one back.
    void setFileChooser(FileChooser chooser);
    void setDirChooser(DirChooser chooser);
    void setMessageSink(MessageSink sink);

    const OpenArchive &archive() const { return m_archive; }
    const QString &archivePath() const { return m_archive.archivePath; }
    ArchiveFile::Identity archiveIdentity() const { return m_archive.identity; }
    qint32 dirSize() const { return m_archive.dirSize; }
    qint32 dirStart() const { return m_archive.dirStart; }
    qint32 entryCount() const { return m_archive.entryCount; }
    const EntryTable &entries() const { return m_archive.entries; }
    const QString &extractDir() const { return m_extractDir; }
    const std::vector<qint32> &selIndex() const { return m_selIndex; }
    Packwell *packwell() const { return Packwell1; }

    void Form_Load();

public Q_SLOTS:
    void cmdExport_Click();
    void cmdExportAll_Click();
    void lstDat_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift);
    void mnuHelpAbout_Click();
    void mnuFileClose_Click();
    void mnuFileExit_Click();
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAll_Click();
    void mnuFileSaveAs_Click();

private:
    // What an export takes: every row the reader filled, or the selected list positions.
    enum ExtractMode : qint32 { AllEntries = 0, SelectedEntries = 10 };

    void openArchive(const QString &path);
    // The one place the archive's state changes.
    void setArchive(OpenArchive archive);
    bool readDirectory();
    void runExtraction(ExtractMode mode);
    void captureSelection();
    void extractSelected();

    void message(const QString &text) override;
    qint64 selectedCount() const;
    void showProgress(const QString &outputPath);

    void createControls();
    void createActions();
    void createMenus();
    void setExportEnabled(bool enabled);

    // State
    OpenArchive m_archive;
    QString m_extractDir;
    std::vector<qint32> m_selIndex;

    FileChooser m_chooseFile;
    DirChooser m_chooseDir;
    MessageSink m_showMessage;
    // The export under way, between the folder choice and the completion message.
    Extraction *m_extraction = nullptr;

    // Controls
    QFrame *fmMain = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtOpened = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *txtEntries = nullptr;
    EntryListView *lstDat = nullptr;
    EntryListModel *m_entryModel = nullptr;
    QPushButton *cmdExport = nullptr;
    QPushButton *cmdExportAll = nullptr;
    QLabel *lblExtract = nullptr;

    QMenu *mnuFile = nullptr;
    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileClose = nullptr;
    QAction *mnuFileBar1 = nullptr;
    QAction *mnuFileSave = nullptr;
    QAction *mnuFileSaveAs = nullptr;
    QAction *mnuFileSaveAll = nullptr;
    QAction *mnuFileBar5 = nullptr;
    QAction *mnuFileExit = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpAbout = nullptr;
    // The Edit and View menus, between File and Help.
    EntryCommands *m_commands = nullptr;

    // The compression component; the compressed-entry writer inflates through it.
    Packwell *Packwell1 = nullptr;
};
