#include "NamePattern.h"

#include <QMultiHash>
#include <QThread>

#include <set>
#include <thread>

namespace {

// Fewer rows than this are not worth a thread of their own.
constexpr qint32 kRowsPerThread = 50000;

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

// A name with "/" for every "\\".
QString slashed(QString name)
{
    return name.replace(u'\\', u'/');
}

} // namespace

NamePattern::NamePattern(const QString &pattern, Syntax syntax) : m_text(pattern), m_syntax(syntax)
{
    QString p = slashed(pattern);
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    if (syntax == Syntax::Literal) {
        m_literal = p;
        return;
    }
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
    if (m_syntax == Syntax::Wildcard)
        return m_expression.match(name).hasMatch();
    const QString n = slashed(name);
    return n.startsWith(m_literal)
        && (n.size() == m_literal.size()
            || (!m_literal.isEmpty() && n.at(m_literal.size()) == u'/'));
}

std::vector<qint32> NamePattern::selectedRows(const EntryTable &table,
                                              const QList<NamePattern> &patterns,
                                              std::vector<bool> *used)
{
    // Each thread a share of the rows and patterns of its own: threads sharing one regular
    // expression would take turns at it.
    const qint32 count = table.filledRows();
    const int threads = patterns.isEmpty()
        ? 1
        : qBound(1, QThread::idealThreadCount(), int(count / kRowsPerThread) + 1);
    std::vector<std::vector<qint32>> rows(static_cast<size_t>(threads));
    std::vector<std::vector<bool>> usedBy(static_cast<size_t>(threads));
    const auto share = [&](int t) {
        QList<NamePattern> own;
        for (const NamePattern &pattern : patterns)
            own << NamePattern(pattern.m_text, pattern.m_syntax);
        rows[size_t(t)] = selectedRows(
            table, t == 0 ? patterns : own, qint32(qint64(count) * t / threads),
            qint32(qint64(count) * (t + 1) / threads), used ? &usedBy[size_t(t)] : nullptr);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(share, t);
    share(0);
    for (std::thread &helper : helpers)
        helper.join();

    if (used)
        used->assign(size_t(patterns.size()), false);
    std::vector<qint32> all = std::move(rows[0]);
    for (int t = 0; t < threads; ++t) {
        if (t > 0)
            all.insert(all.end(), rows[size_t(t)].begin(), rows[size_t(t)].end());
        for (size_t i = 0; used && i < usedBy[size_t(t)].size(); ++i)
            (*used)[i] = (*used)[i] || usedBy[size_t(t)][i];
    }
    return all;
}

std::vector<qint32> NamePattern::selectedRows(const EntryTable &table,
                                              const QList<NamePattern> &patterns, qint32 first,
                                              qint32 last, std::vector<bool> *used)
{
    std::vector<qint32> rows;
    if (used)
        used->assign(size_t(patterns.size()), false);
    QMultiHash<QString, qsizetype> literals; // by name: the patterns that are that name
    std::set<qsizetype> lengths; // of those names: only a prefix of such a length can match
    QList<qsizetype> wildcards;
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        if (patterns.at(i).m_syntax == Syntax::Literal) {
            literals.insert(patterns.at(i).m_literal, i);
            lengths.insert(patterns.at(i).m_literal.size());
        } else {
            wildcards << i;
        }
    }
    const auto select = [&](qsizetype i) {
        if (used)
            (*used)[size_t(i)] = true;
        return true;
    };
    for (qint32 row = first; row < last; ++row) {
        bool selected = patterns.isEmpty();
        const QString name = selected ? QString() : table.name(row);
        for (const qsizetype i : std::as_const(wildcards)) {
            if (selected && !used)
                break;
            if (patterns.at(i).matches(name))
                selected = select(i);
        }
        // The name itself, or a folder above it, of a length some literal name has: the cost
        // stays within the names looked for, however deep the entry lies.
        const QString n = literals.isEmpty() ? QString() : slashed(name);
        for (const qsizetype end : lengths) {
            if (end > n.size() || (selected && !used))
                break;
            if (end < n.size() && (end == 0 || n.at(end) != u'/'))
                continue;
            const auto [first, last] = literals.equal_range(n.left(end));
            for (auto it = first; it != last; ++it)
                selected = select(it.value());
        }
        if (selected)
            rows.push_back(row);
    }
    return rows;
}
