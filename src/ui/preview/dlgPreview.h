#pragma once

#include <QDialog>
#include <QImage>

class EntryPreview;
class QLabel;
class QListView;
class QPushButton;

// The viewer of one entry, modal: its caption is the entry's name, a line names the kind and
// size, and below it the image, the text or hex dump, or why nothing can be shown. Close or
// Esc ends it. It only shows what EntryPreview read; it reads and writes nothing itself.
class dlgPreview : public QDialog
{
    Q_OBJECT

public:
    explicit dlgPreview(const EntryPreview &preview, QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;

private Q_SLOTS:
    void cmdClose_Click();

private:
    void showImage();

    QImage m_image;

    QLabel *lblSummary = nullptr;
    QLabel *imgPreview = nullptr;
    QListView *lstLines = nullptr;
    QLabel *lblCause = nullptr;
    QPushButton *cmdClose = nullptr;
};
