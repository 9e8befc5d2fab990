#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Archive names and the compression component's strings carry one byte per character in the
// Windows ANSI code page. Linux has no such code page, so Windows-1252 stands in for it: every
// byte maps to exactly one character (the five bytes the code page leaves undefined map to the
// C1 controls of the same value) and byte 0 is an ordinary character.
namespace Windows1252 {

QString decode(const char *data, qsizetype size);
inline QString decode(const QByteArray &bytes)
{
    return decode(bytes.constData(), bytes.size());
}

// The reverse of decode(); a character the code page cannot hold becomes '?', as Windows' own
// best-fit-free conversion does.
QByteArray encode(const QString &text);
// The reverse of decode(), or nothing when a character has no byte in the code page.
std::optional<QByteArray> encodeExactly(const QString &text);

} // namespace Windows1252
