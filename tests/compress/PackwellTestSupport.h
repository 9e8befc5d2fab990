#pragma once

#include "compress/PackwellHost.h"

#include <QByteArray>
#include <QSignalSpy>
#include <QStringList>
#include <QtGlobal>

#include <zlib.h>

// A host whose user mode is fixed.
class ModeHost : public PackwellHost
{
public:
    explicit ModeHost(bool userMode) : m_userMode(userMode) { }
    bool userMode() const override { return m_userMode; }

private:
    bool m_userMode;
};

// zlib's own stream for the bytes, at the default level.
inline QByteArray zlibStream(const QByteArray &data)
{
    uLongf len = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(len), '\0');
    if (compress(reinterpret_cast<Bytef *>(out.data()), &len,
                 reinterpret_cast<const Bytef *>(data.constData()), uLong(data.size()))
        != Z_OK)
        qFatal("compress failed");
    out.resize(qsizetype(len));
    return out;
}

// The property names of the notices a spy on propertyChanged() has seen, in order.
inline QStringList notices(const QSignalSpy &spy)
{
    QStringList names;
    for (const QList<QVariant> &arguments : spy)
        names << arguments.at(0).toString();
    return names;
}
