#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class DirListBox;
class DriveListBox;
class QLabel;
class QPushButton;

// Modal folder chooser for an export. Construct it afresh for every request and show it with
// exec(); it reports its outcome exactly once through getDir: the open folder on OK, the empty
// text on Cancel, Esc or the frame's close button.
class dlgDir : public QDialog
{
    Q_OBJECT

public:
    // The icon is copied from mainWindow when the dialog loads.
    dlgDir(QWidget *mainWindow, std::function<void(const QString &)> getDir,
           QWidget *parent = nullptr);

    // The value handed to getDir.
    QString extractDir;

public Q_SLOTS:
    // Esc and the frame's close button end here; they count as Cancel.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private Q_SLOTS:
    void CancelButton_Click();
    void cmdNew_Click();
    void Drive1_Change();
    void Form_Load();
    void OKButton_Click();

private:
    void report();

    QWidget *m_mainWindow;
    std::function<void(const QString &)> m_getDir;
    bool m_reported = false;

    QLabel *Label1;
    DirListBox *Dir1;
    DriveListBox *Drive1;
    QPushButton *cmdNew;
    QLabel *Label2;
    QLabel *Label3;
    QPushButton *OKButton;
    QPushButton *CancelButton;
};
