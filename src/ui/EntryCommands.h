#pragma once

#include <QObject>

#include <chrono>
#include <functional>

class EntryListView;
class QAction;
class QMainWindow;
class QMenu;
struct OpenArchive;

// The main window's Edit and View menus: select all, by pattern or the rest, and preview the
// current entry. Their menus go between File and Help, which stay as they are; the window keeps
// the state (archive, directory, list) and these commands work on it.
class EntryCommands : public QObject
{
    Q_OBJECT

public:
    using MessageSink = std::function<void(const QString &text)>;

    // archive is the window's state, which these commands read and never change.
    EntryCommands(QMainWindow &window, const OpenArchive &archive, EntryListView *list,
                  QMenu *before, MessageSink message);

    // Edit and View work only on an open archive, like the export commands.
    void setArchiveOpen(bool open);
    // Adds every entry pattern matches to the selection; says so when none does, or when the
    // pattern means nothing.
    void selectMatching(const QString &pattern);
    // How long the viewer waits for a picture before it says it takes too long.
    void setPreviewTimeLimit(std::chrono::milliseconds limit) { m_previewTimeLimit = limit; }

public Q_SLOTS:
    void mnuEditSelectAll_Click();
    void mnuEditSelectMatching_Click();
    void mnuEditInvert_Click();
    void mnuViewPreview_Click();

private:
    // Preview works on the current entry, and only on a file: a folder has no bytes to show.
    void updatePreview();

    QMainWindow &m_window;
    const OpenArchive &m_archive;
    EntryListView *m_list;
    MessageSink m_message;
    bool m_open = false;
    std::chrono::milliseconds m_previewTimeLimit;

    QMenu *mnuEdit = nullptr;
    QAction *mnuEditSelectAll = nullptr;
    QAction *mnuEditSelectMatching = nullptr;
    QAction *mnuEditInvert = nullptr;
    QMenu *mnuView = nullptr;
    QAction *mnuViewPreview = nullptr;
};
