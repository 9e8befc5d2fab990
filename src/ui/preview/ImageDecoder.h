#pragma once

#include "StoppableDevice.h"
#include "TgaImage.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <chrono>
#include <functional>

// Decodes a picture for the viewer, shrunk to fit the room it is shown in, within a bound on
// memory that counts the bytes, the decoder's own picture and every converted or scaled copy;
// and only within a time limit from its making, and until cancelled() says nobody waits for it
// any more. Runs on any thread.
class ImageDecoder
{
public:
    static constexpr qint64 kMemory = qint64(88) << 20;

    // bytes: the first of fileSize; format: as EntryPreview detected it, where "tga" is read
    // here and the others by Qt's plugins.
    ImageDecoder(const QByteArray &bytes, qint64 fileSize, const QByteArray &format,
                 std::chrono::milliseconds timeLimit, std::function<bool()> cancelled);
    Q_DISABLE_COPY_MOVE(ImageDecoder)

    // The header's claim, before a single pixel is decoded; invalid when it has none.
    QSize size() const { return m_size; }
    // Null when it cannot be shown; error() says why.
    QImage decode(const QSize &room);
    const QString &error() const { return m_error; }

private:
    qint64 memoryNeeded(const QSize &shown) const;
    bool decodesShrunk() const;
    QImage shrink(const QImage &image, const QSize &room) const;

    QByteArray m_bytes;
    QByteArray m_format;
    QDeadlineTimer m_deadline;
    std::function<bool()> m_cancelled;
    std::function<bool()> m_stopped;
    StoppableDevice m_device;
    QImageReader m_reader;
    TgaImage m_tga;
    QSize m_size;
    QString m_error;
};
