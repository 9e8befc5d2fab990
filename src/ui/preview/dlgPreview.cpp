#include "dlgPreview.h"

#include "EntryPreview.h"
#include "PreviewLines.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A name may be megabytes long; a caption shows this much of it, then an ellipsis.
constexpr qsizetype kCaptionLength = 260;

QLabel *plainLabel(const QString &text, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

dlgPreview::dlgPreview(const EntryPreview &preview, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgPreview"));
    const QString &name = preview.name();
    setWindowTitle(name.size() <= kCaptionLength ? name
                                                 : name.left(kCaptionLength) + QChar(0x2026));
    if (parent)
        setWindowIcon(parent->windowIcon());

    auto *layout = new QVBoxLayout(this);
    lblSummary = plainLabel(preview.summary(), "lblSummary", this);
    layout->addWidget(lblSummary);

    if (!preview.cause().isEmpty()) {
        lblCause = plainLabel(preview.cause(), "lblCause", this);
        lblCause->setAlignment(Qt::AlignCenter);
        lblCause->setFrameShape(QFrame::StyledPanel);
        layout->addWidget(lblCause, 1);
    } else if (preview.kind() == EntryPreview::Kind::Image) {
        m_image = preview.image();
        imgPreview = new QLabel(this);
        imgPreview->setObjectName(QStringLiteral("imgPreview"));
        imgPreview->setAccessibleName(QStringLiteral("Image"));
        imgPreview->setAlignment(Qt::AlignCenter);
        // Any size: the picture follows the label, never the other way round.
        imgPreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        layout->addWidget(imgPreview, 1);
    } else {
        const auto kind = preview.kind() == EntryPreview::Kind::Utf8Text ? PreviewLines::Kind::Utf8
            : preview.kind() == EntryPreview::Kind::Windows1252Text
            ? PreviewLines::Kind::Windows1252
            : PreviewLines::Kind::Hex;
        lstLines = new QListView(this);
        lstLines->setObjectName(QStringLiteral("lstLines"));
        lstLines->setAccessibleName(kind == PreviewLines::Kind::Hex ? QStringLiteral("Hex dump")
                                                                    : QStringLiteral("Text"));
        lstLines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        lstLines->setUniformItemSizes(true);
        lstLines->setTextElideMode(Qt::ElideNone);
        lstLines->setSelectionMode(QAbstractItemView::NoSelection);
        lstLines->setEditTriggers(QAbstractItemView::NoEditTriggers);
        auto *lines = new PreviewLines(preview.bytes(), kind, lstLines);
        const QFontMetrics metrics(lstLines->font());
        lines->setRowSize(
            QSize(metrics.horizontalAdvance(QString(PreviewLines::kColumns + 2, u'0')),
                  metrics.height()));
        lstLines->setModel(lines);
        layout->addWidget(lstLines, 1);
    }

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &dlgPreview::cmdClose_Click);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);
    // Room for 100 columns of text; an image a little larger than itself, up to that.
    QSize size(760, 500);
    if (!m_image.isNull())
        size = size.boundedTo(m_image.size() + QSize(40, 100)).expandedTo(QSize(360, 240));
    resize(size);
}

void dlgPreview::cmdClose_Click()
{
    // Esc reaches QDialog::reject() and closes it the same way.
    reject();
}

void dlgPreview::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    showImage();
}

void dlgPreview::showImage()
{
    if (!imgPreview || m_image.isNull())
        return;
    // Scaled down to fit, never up.
    const QSize room = imgPreview->size();
    const QImage shown = m_image.width() <= room.width() && m_image.height() <= room.height()
        ? m_image
        : m_image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    imgPreview->setPixmap(QPixmap::fromImage(shown));
}
