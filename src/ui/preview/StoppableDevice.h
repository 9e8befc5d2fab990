#pragma once

#include <QByteArray>
#include <QIODevice>

#include <functional>
#include <limits>

// Bytes to read from, whose every read fails once stopped() says so. Qt's image decoders cannot
// be interrupted, but each reads its input through a device and gives up when a read fails.
// Not a QBuffer on purpose: Qt's JPEG decoder would take a QBuffer's bytes in one piece.
class StoppableDevice : public QIODevice
{
    Q_OBJECT

public:
    // No read gives more than maxRead bytes: what a decoder does with each read may take long.
    StoppableDevice(const QByteArray &bytes, std::function<bool()> stopped,
                    qint64 maxRead = std::numeric_limits<qint64>::max());

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_bytes.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    std::function<bool()> m_stopped;
    qint64 m_maxRead;
};
