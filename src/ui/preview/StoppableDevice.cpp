#include "StoppableDevice.h"

#include <cstring>

StoppableDevice::StoppableDevice(const QByteArray &bytes, std::function<bool()> stopped,
                                 qint64 maxRead)
    : m_bytes(bytes), m_stopped(std::move(stopped)), m_maxRead(maxRead)
{
    // Unbuffered, so that each of the decoder's reads asks again.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 StoppableDevice::readData(char *data, qint64 maxSize)
{
    if (m_stopped && m_stopped())
        return -1;
    const qint64 n = qBound<qint64>(0, m_bytes.size() - pos(), qMin(maxSize, m_maxRead));
    std::memcpy(data, m_bytes.constData() + pos(), size_t(n));
    return n;
}
