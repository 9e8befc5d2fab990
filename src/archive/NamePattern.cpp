#include "NamePattern.h"

namespace {

const QString kSeparator = QStringLiteral("[/\\\\]");

// One character of a pattern as it stands in a regular expression, separators alike.
QString literal(QChar c, bool inSet)
{
    if (c == u'/' || c == u'\\')
        return inSet ? QStringLiteral("/\\\\") : kSeparator;
    return inSet && c.isLetterOrNumber() ? QString(c) : QRegularExpression::escape(c);
}

// The bracket expression opening at pattern[i] as a regular expression, i moved to its "]";
// empty when it has no end and the "[" is an ordinary character.
QString bracket(const QString &pattern, qsizetype &i)
{
    qsizetype j = i + 1;
    QString set = QStringLiteral("[");
    if (j < pattern.size() && (pattern.at(j) == u'!' || pattern.at(j) == u'^')) {
        set += u'^';
        ++j;
    }
    for (const qsizetype first = j; j < pattern.size(); ++j) {
        const QChar c = pattern.at(j);
        if (c == u']' && j > first) {
            i = j;
            return set + u']';
        }
        if (c == u'[' && pattern.mid(j + 1, 1) == u":") { // a class such as [:alpha:]
            const qsizetype end = pattern.indexOf(QLatin1String(":]"), j + 2);
            if (end > 0) {
                set += pattern.mid(j, end + 2 - j);
                j = end + 1;
                continue;
            }
        }
        set += literal(c, true);
        if (j + 2 < pattern.size() && pattern.at(j + 1) == u'-' && pattern.at(j + 2) != u']') {
            set += u'-' + literal(pattern.at(j + 2), true);
            j += 2;
        }
    }
    return {};
}

} // namespace

NamePattern::NamePattern(const QString &pattern) : m_text(pattern)
{
    QString p = pattern;
    p.replace(u'\\', u'/');
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    QString expression;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p.at(i);
        QString set;
        if (c == u'*')
            expression += QLatin1String(".*");
        else if (c == u'?')
            expression += u'.';
        else if (c == u'[' && !(set = bracket(p, i)).isEmpty())
            expression += set;
        else
            expression += literal(c, false);
    }
    // Anchored at the start; done at the end of the name or of a folder above it.
    m_expression.setPattern(
        QStringLiteral("\\A(?:%1)(?:\\z|(?<=.)(?=%2))").arg(expression, kSeparator));
    m_expression.setPatternOptions(QRegularExpression::DotMatchesEverythingOption);
}

bool NamePattern::matches(const QString &name) const
{
    return m_expression.match(name).hasMatch();
}

std::vector<qint32> NamePattern::selectedRows(const EntryTable &table,
                                              const QList<NamePattern> &patterns,
                                              std::vector<bool> *used)
{
    std::vector<qint32> rows;
    if (used)
        used->assign(size_t(patterns.size()), false);
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        bool selected = patterns.isEmpty();
        const QString name = selected ? QString() : table.name(row);
        for (qsizetype i = 0; i < patterns.size() && !(selected && !used); ++i) {
            if (patterns.at(i).matches(name)) {
                selected = true;
                if (used)
                    (*used)[size_t(i)] = true;
            }
        }
        if (selected)
            rows.push_back(row);
    }
    return rows;
}
