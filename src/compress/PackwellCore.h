#pragma once

#include "PackwellError.h"
#include "PackwellHost.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The non-visual part of the compression component: zlib's one-shot compress and uncompress
// (zlib format, default level) over byte arrays and strings, replacing the caller's data in
// place, and the sizes of the last operation. Packwell, the widget, hosts one of these; the
// core alone is enough wherever no face is needed.
//
// Every operation sizes one work buffer by workCapacity(), makes one zlib call and copies the
// output length zlib reports back into the caller's data, whatever the code: a non-zero code
// (for example Z_BUF_ERROR for a too-small OrigSize, Z_DATA_ERROR for input that is not a zlib
// stream) is returned with the data already replaced. Everything else that stops an operation
// is raised as a PackwellError:
//
//   - an empty byte array, a negative work capacity for an array, or an array result of zero
//     bytes (the zlib call has run, TheData is unchanged): SubscriptOutOfRange;
//   - a work capacity above 2,147,483,647 (an input size above kMaxOriginalSize): Overflow;
//   - a negative work capacity for a string (OrigSize -13 or less): InvalidArgument;
//   - a buffer that cannot be allocated: OutOfMemory.
//
// CompressData and CompressString set OriginalSize before any of these can happen; the
// decompressing operations change nothing before them.
//
// Strings carry one byte per character in Windows-1252, character 0 included.
class PackwellCore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint32 CompressedSize READ CompressedSize WRITE setCompressedSize)
    Q_PROPERTY(qint32 OriginalSize READ OriginalSize WRITE setOriginalSize)

public:
    // Hosted by PackwellHost::application(), that is, in user mode.
    explicit PackwellCore(QObject *parent = nullptr);
    // The host must outlive the core, or be replaced with setHost() first.
    explicit PackwellCore(const PackwellHost &host, QObject *parent = nullptr);

    const PackwellHost &host() const { return *m_host; }
    void setHost(const PackwellHost &host) { m_host = &host; }

    // Sets OriginalSize to the array's length, compresses the array in place and, on success
    // only, sets CompressedSize to its new length.
    Q_INVOKABLE qint32 CompressData(QByteArray &TheData);
    // Sets OriginalSize to the string's length, compresses it in place and sets CompressedSize
    // to zlib's output length whatever the code. The empty string is accepted.
    Q_INVOKABLE qint32 CompressString(QString &TheString);
    // Inflates the array in place into at most workCapacity(OrigSize) bytes; on success sets
    // CompressedSize and then OriginalSize to 0.
    Q_INVOKABLE qint32 DecompressData(QByteArray &TheData, const qint32 &OrigSize);
    // As DecompressData, for a string; an empty result is an ordinary empty string.
    Q_INVOKABLE qint32 DecompressString(QString &TheString, const qint32 &OrigSize);

    // The setters store the value and emit propertyChanged() only in user mode; otherwise they
    // ignore it. Every size update of the operations goes through them.
    qint32 CompressedSize() const { return m_CompressedSize; }
    void setCompressedSize(qint32 New_CompressedSize);
    qint32 OriginalSize() const { return m_OriginalSize; }
    void setOriginalSize(qint32 New_OriginalSize);

    // A new instance has been placed: both sizes become 0, without notices.
    void InitProperties();

    // round(n × 0.01 + n + 12) in double precision, in that order, ties to even. The result is
    // not limited to 32 bits, so that callers can tell an overflow from a negative capacity.
    static qint64 workCapacity(qint32 n);
    // The largest size whose work capacity fits 32 bits: nothing larger can be inflated in one
    // shot, so nothing larger may be stored compressed.
    static constexpr qint32 kMaxOriginalSize = 2126221421;

Q_SIGNALS:
    // The property-changed notice: "OriginalSize" or "CompressedSize".
    void propertyChanged(const QString &propertyName);

protected:
    // The two zlib calls, with zlib's parameters and result codes.
    virtual int zlibCompress(unsigned char *dest, unsigned long *destLen,
                             const unsigned char *source, unsigned long sourceLen);
    virtual int zlibUncompress(unsigned char *dest, unsigned long *destLen,
                               const unsigned char *source, unsigned long sourceLen);

private:
    const PackwellHost *m_host;
    qint32 m_CompressedSize = 0;
    qint32 m_OriginalSize = 0;
};
