#pragma once

#include <QDialog>
#include <QImage>

class EntryPreview;
class LinesView;
class PreviewLoader;
class QLabel;
class QPushButton;
class QVBoxLayout;
struct PreviewRequest;

// The viewer of one entry, modal: its caption is the entry's name, a line names the kind and
// size, and below it the image, the text or hex dump, or why nothing can be shown. Close or
// Esc ends it. It only shows what EntryPreview read; it reads and writes nothing itself.
class dlgPreview : public QDialog
{
    Q_OBJECT

public:
    // Shows what was read already.
    explicit dlgPreview(const EntryPreview &preview, QWidget *parent = nullptr);
    // Has it read on a worker thread, saying "Loading..." with a Cancel button until then.
    explicit dlgPreview(PreviewRequest request, QWidget *parent = nullptr);

    bool isLoading() const { return lblLoading != nullptr; }

protected:
    // The picture follows its label's size.
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void cmdClose_Click();
    void cmdCancel_Click();

private:
    // The caption, the summary line and the buttons, around what is shown.
    dlgPreview(const QString &name, const QString &summary, QWidget *parent);
    void showPreview(const EntryPreview &preview);
    QWidget *addCause(const QString &cause);
    QWidget *addImage(const QImage &image);
    QWidget *addLines(const EntryPreview &preview);
    void showImage();

    QImage m_image;
    PreviewLoader *m_loader = nullptr;
    QVBoxLayout *m_layout = nullptr;

    QLabel *lblSummary = nullptr;
    QLabel *lblLoading = nullptr;
    QLabel *imgPreview = nullptr;
    LinesView *lstLines = nullptr;
    QLabel *lblCause = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdClose = nullptr;
};
