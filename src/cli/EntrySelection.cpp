#include "EntrySelection.h"

#include "CommandLineOptions.h"
#include "Console.h"
#include "Printable.h"

#include "archive/EntryFailure.h"
#include "archive/NamePattern.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// How the command line's PATTERNs are read.
NamePattern::Syntax syntaxOf(const CommandLineOptions &options)
{
    return options.literalPatterns ? NamePattern::Syntax::Literal : NamePattern::Syntax::Wildcard;
}

} // namespace

EntrySelection::EntrySelection(const CommandLineOptions &options, Console &console)
    : m_options(options), m_console(console)
{ }

bool EntrySelection::prepare()
{
    // A pattern that means nothing is a mistake in the command line, said before anything is done.
    for (const QString &pattern : std::as_const(m_options.patterns)) {
        const NamePattern p(pattern, syntaxOf(m_options));
        if (!p.isValid()) {
            m_console.error(Printable::name(pattern) + QStringLiteral(": bad pattern: ")
                            + Printable::name(p.errorString()));
            return false;
        }
    }
    return !m_options.hasNamesFile || readNames();
}

bool EntrySelection::readNames()
{
    const bool standardInput = m_options.namesFile == "-";
    const int fd = standardInput ? STDIN_FILENO
                                 : ::open(m_options.namesFile.constData(), O_RDONLY | O_CLOEXEC);
    QFile file;
    QByteArray bytes;
    if (fd >= 0
        && file.open(fd, QIODevice::ReadOnly,
                     standardInput ? QFileDevice::DontCloseHandle : QFileDevice::AutoCloseHandle))
        bytes = file.readAll();
    if (fd < 0 || file.error() != QFileDevice::NoError) {
        m_console.error(Printable::path(m_options.namesFile) + QStringLiteral(": ")
                        + (fd < 0 ? EntryFailure::systemText(errno) : file.errorString()));
        return false;
    }
    for (const QByteArray &name : bytes.split(m_options.nulEnded ? '\0' : '\n'))
        if (!name.isEmpty())
            m_names << QString::fromUtf8(name);
    return true;
}

std::vector<qint32> EntrySelection::rows(const EntryTable &table)
{
    QList<NamePattern> patterns;
    for (const QString &pattern : std::as_const(m_options.patterns))
        patterns << NamePattern(pattern, syntaxOf(m_options));
    for (const QString &name : std::as_const(m_names))
        patterns << NamePattern(name, NamePattern::Syntax::Literal);
    if (patterns.isEmpty() && m_options.hasNamesFile)
        return {}; // an empty list of names selects nothing, not everything
    std::vector<bool> used;
    const std::vector<qint32> rows = NamePattern::selectedRows(table, patterns, &used);
    for (qsizetype i = 0; i < patterns.size(); ++i)
        if (!used[size_t(i)])
            m_console.patternUnmatched(patterns.at(i).text());
    return rows;
}
