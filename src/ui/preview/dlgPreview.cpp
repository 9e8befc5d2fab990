#include "dlgPreview.h"

#include "EntryPreview.h"
#include "LinesView.h"
#include "PreviewLines.h"
#include "PreviewLoader.h"
#include "ui/common/EntryDescription.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
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

QPushButton *viewerButton(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

dlgPreview::dlgPreview(const QString &name, const QString &summary, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgPreview"));
    setWindowTitle(name.size() <= kCaptionLength ? name
                                                 : name.left(kCaptionLength) + QChar(0x2026));
    if (parent)
        setWindowIcon(parent->windowIcon());

    m_layout = new QVBoxLayout(this);
    lblSummary = plainLabel(summary, "lblSummary", this);
    m_layout->addWidget(lblSummary);
    lblLoading = plainLabel(QStringLiteral("Loading..."), "lblLoading", this);
    lblLoading->setAlignment(Qt::AlignCenter);
    m_layout->addWidget(lblLoading, 1);

    cmdCancel = viewerButton(QStringLiteral("Cancel"), "cmdCancel", this);
    cmdClose = viewerButton(QStringLiteral("Close"), "cmdClose", this);
    cmdClose->hide();
    connect(cmdCancel, &QPushButton::clicked, this, &dlgPreview::cmdCancel_Click);
    connect(cmdClose, &QPushButton::clicked, this, &dlgPreview::cmdClose_Click);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdClose);
    m_layout->addLayout(buttons);
    // Room for 100 columns of text.
    resize(760, 500);
}

dlgPreview::dlgPreview(const EntryPreview &preview, QWidget *parent)
    : dlgPreview(preview.name(), preview.summary(), parent)
{
    showPreview(preview);
}

dlgPreview::dlgPreview(PreviewRequest request, QWidget *parent)
    : dlgPreview(request.entry.name,
                 EntryDescription::kind(request.entry.entryType) + QStringLiteral(", ")
                     + EntryDescription::bytes(request.entry.unpackedSize),
                 parent)
{
    cmdCancel->setDefault(true);
    m_loader = new PreviewLoader(this);
    connect(m_loader, &PreviewLoader::loaded, this, &dlgPreview::showPreview);
    // Pictures are decoded no larger than the screen shows them.
    const QSize screen = this->screen()->availableSize() * this->screen()->devicePixelRatio();
    request.room = request.room.boundedTo(screen);
    m_loader->start(request);
}

void dlgPreview::showPreview(const EntryPreview &preview)
{
    lblSummary->setText(preview.summary());
    QWidget *shown = !preview.cause().isEmpty()       ? addCause(preview.cause())
        : preview.kind() == EntryPreview::Kind::Image ? addImage(preview.image())
                                                      : addLines(preview);
    delete m_layout->replaceWidget(lblLoading, shown); // the item that held it is ours to free
    shown->show(); // at once, not when the event loop next turns
    delete lblLoading;
    lblLoading = nullptr;
    const bool focus = cmdCancel->hasFocus();
    cmdCancel->hide();
    cmdClose->show();
    cmdClose->setDefault(true);
    if (focus)
        cmdClose->setFocus();
    // An image a little larger than itself, up to the room for text.
    if (!m_image.isNull())
        resize(size().boundedTo(m_image.size() + QSize(40, 100)).expandedTo(QSize(360, 240)));
    m_layout->activate(); // the picture is drawn as soon as its label has a size
}

QWidget *dlgPreview::addCause(const QString &cause)
{
    lblCause = plainLabel(cause, "lblCause", this);
    lblCause->setAlignment(Qt::AlignCenter);
    lblCause->setFrameShape(QFrame::StyledPanel);
    return lblCause;
}

QWidget *dlgPreview::addImage(const QImage &image)
{
    m_image = image;
    imgPreview = new QLabel(this);
    imgPreview->setObjectName(QStringLiteral("imgPreview"));
    imgPreview->setAccessibleName(QStringLiteral("Image"));
    imgPreview->setAlignment(Qt::AlignCenter);
    // Any size: the picture follows the label, never the other way round.
    imgPreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    imgPreview->installEventFilter(this);
    return imgPreview;
}

QWidget *dlgPreview::addLines(const EntryPreview &preview)
{
    const auto kind = preview.kind() == EntryPreview::Kind::Utf8Text ? PreviewLines::Kind::Utf8
        : preview.kind() == EntryPreview::Kind::Windows1252Text ? PreviewLines::Kind::Windows1252
                                                                : PreviewLines::Kind::Hex;
    lstLines = new LinesView(this);
    lstLines->setObjectName(QStringLiteral("lstLines"));
    lstLines->setAccessibleName(kind == PreviewLines::Kind::Hex ? QStringLiteral("Hex dump")
                                                                : QStringLiteral("Text"));
    lstLines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lstLines->setColumns(PreviewLines::kColumns);
    lstLines->setModel(new PreviewLines(preview.bytes(), kind, preview.rows(), lstLines));
    return lstLines;
}

void dlgPreview::cmdClose_Click()
{
    // Esc reaches QDialog::reject() and closes it the same way.
    reject();
}

void dlgPreview::cmdCancel_Click()
{
    if (m_loader)
        m_loader->cancel();
    reject();
}

bool dlgPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == imgPreview && event->type() == QEvent::Resize)
        showImage();
    return QDialog::eventFilter(watched, event);
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
