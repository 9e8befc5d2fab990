#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box. Construct it afresh for every showing and show it with exec(); OK, Enter, Esc
// and the close box all close it.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    // The icon is copied from mainWindow when the box loads.
    explicit frmAbout(QWidget *mainWindow, QWidget *parent = nullptr);

private Q_SLOTS:
    void Form_Load();
    void cmdOK_Click();

private:
    QWidget *m_mainWindow;

    QPushButton *cmdOK;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *Label1;
    QLabel *Label2;
};
