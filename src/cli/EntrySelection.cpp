#include "EntrySelection.h"

#include "CommandLineOptions.h"
#include "Console.h"
#include "Printable.h"

#include "archive/NamePattern.h"

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
    return !m_options.hasNamesFile || readNames(m_names, m_options, m_console);
}

bool EntrySelection::readNames(NameList &names, const CommandLineOptions &options, Console &console)
{
    if (names.read(options.namesFile, options.nulEnded ? '\0' : '\n'))
        return true;
    console.error((options.namesFile == "-" ? QStringLiteral("standard input")
                                            : Printable::path(options.namesFile))
                  + QStringLiteral(": ") + names.errorString());
    return false;
}

std::vector<qint32> EntrySelection::rows(const EntryTable &table)
{
    QList<NamePattern> patterns;
    for (const QString &pattern : std::as_const(m_options.patterns))
        patterns << NamePattern(pattern, syntaxOf(m_options));
    if (patterns.isEmpty() && m_names.size() == 0 && m_options.hasNamesFile)
        return {}; // an empty list of names selects nothing, not everything
    std::vector<bool> used;
    const Literals names { m_names.size(), [this](qsizetype i) { return m_names.at(i); } };
    const std::vector<qint32> rows = NamePattern::selectedRows(table, patterns, &used, names);
    for (qsizetype i = 0; i < patterns.size(); ++i)
        if (!used[size_t(i)])
            m_console.patternUnmatched(patterns.at(i).text());
    for (qsizetype i = 0; i < m_names.size(); ++i)
        if (!used[size_t(patterns.size() + i)])
            m_console.patternUnmatched(m_names.at(i));
    m_names = NameList();
    return rows;
}
