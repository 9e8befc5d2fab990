#include "Printable.h"

#include <QByteArrayView>

namespace {

QString hex(uint byte)
{
    return QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
}

// Appends c, or its escape when it is a control character.
void appendPrintable(QString &printable, QChar c)
{
    const char16_t u = c.unicode();
    if (u == u'\n')
        printable += QLatin1String("\\n");
    else if (u == u'\t')
        printable += QLatin1String("\\t");
    else if (u == u'\r')
        printable += QLatin1String("\\r");
    // C1 controls too: the bytes Windows-1252 leaves undefined decode to them.
    else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
        printable += hex(u);
    else
        printable += c;
}

} // namespace

QString Printable::name(const QString &name)
{
    QString printable;
    printable.reserve(name.size());
    for (const QChar c : name)
        appendPrintable(printable, c == u'\\' ? QChar(u'/') : c);
    return printable;
}

QString Printable::path(const QByteArray &path)
{
    QString printable;
    for (qsizetype i = 0; i < path.size();) {
        // How long the character that starts here is; 0 for a byte that starts none.
        const uchar lead = uchar(path.at(i));
        const qsizetype length = lead < 0x80 ? 1
            : lead < 0xc2                    ? 0
            : lead < 0xe0                    ? 2
            : lead < 0xf0                    ? 3
            : lead < 0xf5                    ? 4
                                             : 0;
        const QByteArrayView bytes(path.constData() + i, qMin(length, path.size() - i));
        if (length == 0 || bytes.size() < length || !bytes.isValidUtf8()) {
            printable += hex(lead);
            ++i;
            continue;
        }
        for (const QChar c : QString::fromUtf8(bytes))
            appendPrintable(printable, c);
        i += length;
    }
    return printable;
}

QString Printable::count(qint64 n, const char *one, const char *many)
{
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}
