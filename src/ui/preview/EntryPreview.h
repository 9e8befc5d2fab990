#pragma once

#include "TextRows.h"
#include "archive/ArchiveFile.h"
#include "archive/EntryRecord.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <chrono>
#include <functional>

// What the viewer is asked to show: entry of the archive at path, which must still be the file
// whose directory was read (identity), a picture shrunk to fit room, and refused when decoding
// it takes longer than timeLimit.
struct PreviewRequest
{
    static constexpr std::chrono::milliseconds kTimeLimit { 1250 };
    // The most a picture is shown at: room for it on a large screen.
    static constexpr QSize kRoom { 2048, 2048 };

    QByteArray path;
    ArchiveFile::Identity identity;
    EntryRecord entry;
    std::chrono::milliseconds timeLimit = kTimeLimit;
    QSize room = kRoom;
};

// What the viewer shows of one file entry, read through the core's one read path and decided
// from the bytes: an image, text (UTF-8, or else Windows-1252 when it looks like text) or
// binary data; or why nothing can be shown. It keeps at most what it shows: the first
// kShownBytes of the entry, and images only within kImageBytes and kImagePixels, decoded within
// ImageDecoder's bounds and shrunk to the room they are shown in, so neither a huge entry nor a
// hostile one can take the program's memory. Made on any thread; a picture is decoded only
// until the time limit, or until cancelled() says nobody waits for it any more.
class EntryPreview
{
public:
    enum class Kind { Image, Utf8Text, Windows1252Text, Binary, Unreadable };

    static constexpr qint64 kShownBytes = qint64(16) << 20;
    static constexpr qint64 kImageBytes = qint64(64) << 20;
    static constexpr qint64 kImagePixels = 25'000'000;

    // Reads the entry asked for; an archive put in the place of the one read is refused.
    static EntryPreview load(const PreviewRequest &request,
                             const std::function<bool()> &cancelled = {});
    // The entry's first bytes, all of them when whole, as the viewer shows them.
    static EntryPreview fromBytes(const PreviewRequest &request, QByteArray bytes, bool whole,
                                  const std::function<bool()> &cancelled = {});

    Kind kind() const { return m_kind; }
    const QString &name() const { return m_name; }
    // The line above the view: the kind and size, and how much is left out.
    const QString &summary() const { return m_summary; }
    // Why nothing is shown: damaged data, or an image over the limits. Empty when it shows.
    const QString &cause() const { return m_cause; }
    // The bytes of text and binary data, and where the rows of text start.
    const QByteArray &bytes() const { return m_bytes; }
    const TextRows &rows() const { return m_rows; }
    // The picture, shrunk to fit the room given.
    const QImage &image() const { return m_image; }

private:
    static EntryPreview unreadable(const EntryRecord &entry, const QString &why);
    void decodeImage(const QByteArray &format, const PreviewRequest &request, bool whole,
                     const std::function<bool()> &cancelled);

    Kind m_kind = Kind::Unreadable;
    QString m_name;
    QString m_summary;
    QString m_cause;
    QByteArray m_bytes;
    TextRows m_rows;
    QImage m_image;
};
