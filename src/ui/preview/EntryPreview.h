#pragma once

#include "archive/ArchiveFile.h"
#include "archive/EntryRecord.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// What the viewer shows of one file entry, read through the core's one read path and decided
// from the bytes: an image, text (UTF-8, or else Windows-1252 when it looks like text) or
// binary data; or why nothing can be shown. It keeps at most what it shows: the first
// kShownBytes of the entry, and images only within kImageBytes and kImagePixels, so neither a
// huge entry nor a hostile one can take the program's memory.
class EntryPreview
{
public:
    enum class Kind { Image, Utf8Text, Windows1252Text, Binary, Unreadable };

    static constexpr qint64 kShownBytes = qint64(16) << 20;
    static constexpr qint64 kImageBytes = qint64(64) << 20;
    static constexpr qint64 kImagePixels = 25'000'000;

    // Reads entry from the archive at path, which must still be the file whose directory was
    // read (identity): a file put in its place since is refused, not shown.
    static EntryPreview load(const QByteArray &path, ArchiveFile::Identity identity,
                             const EntryRecord &entry);
    // The entry's first bytes, all of them when whole, as the viewer shows them.
    static EntryPreview fromBytes(const EntryRecord &entry, QByteArray bytes, bool whole);

    Kind kind() const { return m_kind; }
    const QString &name() const { return m_name; }
    // The line above the view: the kind and size, and how much is left out.
    const QString &summary() const { return m_summary; }
    // Why nothing is shown: damaged data, or an image over the limits. Empty when it shows.
    const QString &cause() const { return m_cause; }
    // The bytes of text and binary data.
    const QByteArray &bytes() const { return m_bytes; }
    const QImage &image() const { return m_image; }

private:
    static EntryPreview unreadable(const EntryRecord &entry, const QString &why);
    void decodeImage(const QByteArray &format, bool whole, const QString &size);

    Kind m_kind = Kind::Unreadable;
    QString m_name;
    QString m_summary;
    QString m_cause;
    QByteArray m_bytes;
    QImage m_image;
};
