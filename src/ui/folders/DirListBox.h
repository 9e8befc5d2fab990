#pragma once

#include <QTreeWidget>

// Folder list: the chain of folders from "/" down to the open folder, each shown opened and
// indented, then the open folder's sub-folders. Double-click or Enter opens an item; a single
// click only highlights it. It never changes the process's current folder. Each level is
// indented by a small step, without branch arrows, and the list scrolls sideways, so every name
// of a deep chain can be read.
class DirListBox : public QTreeWidget
{
    Q_OBJECT

public:
    // Starts at the process's current folder.
    explicit DirListBox(QWidget *parent = nullptr);

    // The open folder (not the highlighted item).
    QString path() const { return m_path; }

    // Opens the folder and lists it afresh. A folder that cannot be listed leaves the list as it
    // was and returns false.
    bool setPath(const QString &folder);

Q_SIGNALS:
    void pathChanged(const QString &path);

protected:
    void drawBranches(QPainter *painter, const QRect &rect,
                      const QModelIndex &index) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void updateGeometries() override;

public:
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void openItem(QTreeWidgetItem *item);
    void fitColumn();

    QString m_path;
    bool m_showOpenFolder = false;
};
