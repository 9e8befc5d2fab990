#include "EntryPreview.h"

#include "ImageDecoder.h"
#include "TgaImage.h"
#include "archive/EntryFailure.h"
#include "archive/EntryReader.h"
#include "ui/common/EntryDescription.h"

#include <QBuffer>
#include <QImageReader>
#include <QStringDecoder>

#include <array>
#include <cerrno>
#include <vector>

namespace {

// Keeps the first `limit` bytes of an entry and then stops the read.
class ShownBytes : public EntrySink
{
public:
    // Room for the bytes expected is made at once: grown a piece at a time, they would be
    // copied over and over.
    ShownBytes(qint64 expected, qint64 limit) : m_limit(limit) { bytes.reserve(expected); }

    bool write(const char *data, qint64 size) override
    {
        const qint64 room = m_limit - bytes.size();
        bytes.append(data, qMin(size, room));
        if (size <= room)
            return true;
        full = true;
        errno = EFBIG;
        return false;
    }

    QByteArray bytes;
    bool full = false;

private:
    qint64 m_limit;
};

// Bytes that plain text does not hold: C0 controls other than tab, line feed, vertical tab,
// form feed, carriage return, end-of-file (^Z) and escape, and DEL. Bytes that Windows-1252
// leaves undefined are marked apart: they rule out that code page, not UTF-8.
enum ByteClass : quint8 { Text, Control, UndefinedIn1252 };

constexpr std::array<quint8, 256> byteClasses()
{
    std::array<quint8, 256> classes {};
    for (int b = 0; b < 0x20; ++b)
        classes[b] = Control;
    for (int b : { 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x1a, 0x1b })
        classes[b] = Text;
    classes[0x7f] = Control;
    for (int b : { 0x81, 0x8d, 0x8f, 0x90, 0x9d })
        classes[b] = UndefinedIn1252;
    return classes;
}

// How many bytes at the end begin a UTF-8 sequence that the end cuts short.
qsizetype cutSequence(const QByteArray &bytes)
{
    for (qsizetype i = bytes.size() - 1; i >= 0 && i >= bytes.size() - 4; --i) {
        const uchar lead = uchar(bytes[i]);
        if ((lead & 0xc0) == 0x80)
            continue;
        const qsizetype length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
        return bytes.size() - i < length ? bytes.size() - i : 0;
    }
    return 0;
}

// Whether the bytes are UTF-8; a sequence cut by the end of what was read counts as whole.
bool isUtf8(const QByteArray &bytes, bool whole)
{
    const qsizetype cut = cutSequence(bytes);
    if (whole && cut > 0)
        return false;
    constexpr qsizetype kPiece = 64 * 1024;
    QStringDecoder decoder(QStringConverter::Utf8);
    // More than a piece's length: a sequence cut by the piece before comes out in this one.
    std::vector<QChar> out(decoder.requiredSpace(kPiece));
    const qsizetype end = bytes.size() - cut;
    for (qsizetype pos = 0; pos < end && !decoder.hasError(); pos += kPiece)
        decoder.appendToBuffer(out.data(),
                               QByteArrayView(bytes).sliced(pos, qMin(kPiece, end - pos)));
    return !decoder.hasError();
}

EntryPreview::Kind textKind(const QByteArray &bytes, bool whole)
{
    static constexpr std::array<quint8, 256> classes = byteClasses();
    bool ascii = true, undefinedIn1252 = false;
    for (const char c : bytes) {
        const quint8 kind = classes[uchar(c)];
        if (kind == Control)
            return EntryPreview::Kind::Binary;
        undefinedIn1252 |= kind == UndefinedIn1252;
        ascii &= uchar(c) < 0x80;
    }
    if (ascii || isUtf8(bytes, whole))
        return EntryPreview::Kind::Utf8Text;
    return undefinedIn1252 ? EntryPreview::Kind::Binary : EntryPreview::Kind::Windows1252Text;
}

// The image format of the first bytes of fileSize, among those the viewer shows; empty for none.
QByteArray imageFormat(const QByteArray &bytes, qint64 fileSize, bool whole)
{
    // Before Qt's guess, which takes a TGA for an icon.
    if (TgaImage::parse(bytes, fileSize, whole).isValid())
        return "tga";
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    for (const char *shown : { "png", "jpeg", "gif", "bmp", "webp" })
        if (format == shown)
            return format;
    return {};
}

} // namespace

EntryPreview EntryPreview::load(const PreviewRequest &request,
                                const std::function<bool()> &cancelled)
{
    const EntryRecord &entry = request.entry;
    ArchiveFile archive;
    if (!archive.open(request.path))
        return unreadable(entry, EntryFailure::systemText(archive.error()));
    if (archive.identity() != request.identity)
        return unreadable(entry, EntryFailure { EntryFailure::ArchiveChanged }.text());

    EntryReader reader;
    QString failure;
    const auto read = [&](qint64 limit) {
        ShownBytes shown(qMin<qint64>(limit, entry.unpackedSize), limit);
        const EntryReader::Result result = reader.read(archive, entry, shown);
        if (result != EntryReader::Result::Ok && !shown.full)
            failure = EntryFailure::reading(result, reader.errorCode()).text();
        return shown;
    };
    ShownBytes shown = read(kShownBytes);
    // An image is shown whole or not at all, so a long one is read again to its own limit.
    if (failure.isEmpty() && shown.full
        && !imageFormat(shown.bytes, entry.unpackedSize, false).isEmpty()) {
        shown.bytes = QByteArray(); // not kept while the whole is read
        shown = read(kImageBytes);
    }
    if (!failure.isEmpty())
        return unreadable(entry, failure);
    return fromBytes(request, std::move(shown.bytes), !shown.full, cancelled);
}

EntryPreview EntryPreview::fromBytes(const PreviewRequest &request, QByteArray bytes, bool whole,
                                     const std::function<bool()> &cancelled)
{
    const EntryRecord &entry = request.entry;
    EntryPreview preview;
    preview.m_name = entry.name;
    preview.m_bytes = std::move(bytes);
    const QByteArray format = imageFormat(preview.m_bytes, entry.unpackedSize, whole);
    if (!format.isEmpty()) {
        preview.decodeImage(format, request, whole, cancelled);
        return preview;
    }
    // Read whole as a picture that then was none: shown as far as any other entry.
    if (preview.m_bytes.size() > kShownBytes) {
        preview.m_bytes.truncate(kShownBytes);
        whole = false;
    }
    preview.m_kind = textKind(preview.m_bytes, whole);
    if (preview.m_kind != Kind::Binary)
        preview.m_rows = TextRows(preview.m_bytes, preview.m_kind == Kind::Utf8Text);
    preview.m_summary
        = (preview.m_kind == Kind::Utf8Text              ? QStringLiteral("UTF-8 text, ")
               : preview.m_kind == Kind::Windows1252Text ? QStringLiteral("Windows-1252 text, ")
                                                         : QStringLiteral("Binary data, "))
        + EntryDescription::bytes(entry.unpackedSize);
    if (!whole)
        preview.m_summary
            += QStringLiteral("; cannot show more than the first %1 MiB").arg(kShownBytes >> 20);
    return preview;
}

EntryPreview EntryPreview::unreadable(const EntryRecord &entry, const QString &why)
{
    EntryPreview preview;
    preview.m_name = entry.name;
    preview.m_summary = EntryDescription::kind(entry.entryType) + QStringLiteral(", ")
        + EntryDescription::bytes(entry.unpackedSize);
    preview.m_cause = QStringLiteral("Cannot show this entry: %1.").arg(why);
    return preview;
}

void EntryPreview::decodeImage(const QByteArray &format, const PreviewRequest &request, bool whole,
                               const std::function<bool()> &cancelled)
{
    const EntryRecord &entry = request.entry;
    m_kind = Kind::Image;
    ImageDecoder decoder(m_bytes, entry.unpackedSize, format, request.timeLimit, cancelled);
    m_bytes.clear(); // the decoder keeps them while it needs them; then the pixels are shown
    const QSize pixels = decoder.size();
    m_summary = QString::fromLatin1(format.toUpper()) + QStringLiteral(" image, ");
    if (pixels.isValid())
        m_summary += QStringLiteral("%1 x %2 pixels, ")
                         .arg(EntryDescription::number(pixels.width()),
                              EntryDescription::number(pixels.height()));
    m_summary += EntryDescription::bytes(entry.unpackedSize);
    if (pixels.isValid() && qint64(pixels.width()) * pixels.height() > kImagePixels) {
        m_cause = QStringLiteral("Cannot show this image: it has more than %1 pixels.")
                      .arg(EntryDescription::number(kImagePixels));
    } else if (!whole) {
        m_cause = QStringLiteral("Cannot show this image: it is larger than %1 MiB.")
                      .arg(kImageBytes >> 20);
    } else {
        m_image = decoder.decode(request.room);
        if (m_image.isNull())
            m_cause = QStringLiteral("Cannot show this image: %1.").arg(decoder.error());
    }
}
