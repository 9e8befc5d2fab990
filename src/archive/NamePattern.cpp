#include "NamePattern.h"

#include "ExactNames.h"
#include "PatternAutomaton.h"

#include "compress/Windows1252.h"

#include <QThread>

#include <array>
#include <numeric>
#include <optional>
#include <thread>

namespace {

using ByteSet = std::bitset<256>;

// Fewer rows than this are not worth a thread of their own.
constexpr qint32 kRowsPerThread = 50000;

// The character each byte of a name stands for.
const std::array<char16_t, 256> &characters()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t {};
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            t[size_t(b)] = Windows1252::decode(&byte, 1).at(0).unicode();
        }
        return t;
    }();
    return table;
}

// The bytes whose characters lie in first … last.
ByteSet range(char16_t first, char16_t last)
{
    ByteSet set;
    for (size_t b = 0; b < 256; ++b)
        set[b] = characters()[b] >= first && characters()[b] <= last;
    return set;
}

// The byte of one character, if it has one; quicker than range() for the common case.
ByteSet one(char16_t c)
{
    ByteSet set;
    if (c < 0x80 || (c >= 0xa0 && c <= 0xff))
        set.set(c);
    else
        set = range(c, c);
    return set;
}

// The separators are one character: a set holding either holds both.
ByteSet withSeparators(ByteSet set)
{
    if (set['/'] || set['\\'])
        set.set('/').set('\\');
    return set;
}

bool isAlpha(char16_t c)
{
    return (c | 0x20) >= u'a' && (c | 0x20) <= u'z';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isGraph(char16_t c)
{
    return c > 0x20 && c < 0x7f;
}

// The bytes of a class such as [:alpha:] (name "alpha", or "^alpha" for all the others): the
// POSIX classes of the C locale, so ASCII characters only.
std::optional<ByteSet> characterClass(QStringView name)
{
    const bool negated = name.startsWith(u'^');
    if (negated)
        name = name.mid(1);
    const struct
    {
        const char *name;
        bool (*has)(char16_t);
    } classes[] = {
        { "alnum", [](char16_t c) { return isAlpha(c) || isDigit(c); } },
        { "alpha", isAlpha },
        { "ascii", [](char16_t c) { return c < 0x80; } },
        { "blank", [](char16_t c) { return c == u' ' || c == u'\t'; } },
        { "cntrl", [](char16_t c) { return c < 0x20 || c == 0x7f; } },
        { "digit", isDigit },
        { "graph", isGraph },
        { "lower", [](char16_t c) { return c >= u'a' && c <= u'z'; } },
        { "print", [](char16_t c) { return c >= 0x20 && c < 0x7f; } },
        { "punct", [](char16_t c) { return isGraph(c) && !isAlpha(c) && !isDigit(c); } },
        { "space", [](char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); } },
        { "upper", [](char16_t c) { return c >= u'A' && c <= u'Z'; } },
        { "word", [](char16_t c) { return isAlpha(c) || isDigit(c) || c == u'_'; } },
        { "xdigit",
          [](char16_t c) { return isDigit(c) || ((c | 0x20) >= u'a' && (c | 0x20) <= u'f'); } },
    };
    for (const auto &k : classes) {
        if (name != QLatin1String(k.name))
            continue;
        ByteSet set;
        for (size_t b = 0; b < 256; ++b)
            set[b] = (characters()[b] < 0x80 && k.has(characters()[b])) != negated;
        return set;
    }
    return std::nullopt;
}

// A pattern with "/" for every "\\" and no trailing separator.
QString slashed(QString pattern)
{
    pattern.replace(u'\\', u'/');
    while (pattern.size() > 1 && pattern.endsWith(u'/'))
        pattern.chop(1);
    return pattern;
}

} // namespace

NamePattern::NamePattern(const QString &pattern, Syntax syntax) : m_text(pattern)
{
    const QString p = slashed(pattern);
    const bool wildcards = syntax == Syntax::Wildcard;
    bool exact = true;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const char16_t c = p.at(i).unicode();
        Step step;
        if (wildcards && c == u'*') {
            exact = false;
            step.star = true;
            if (!m_steps.empty() && m_steps.back().star)
                continue; // "**" is "*"
        } else if (wildcards && c == u'?') {
            exact = false;
            step.bytes.set();
        } else if (wildcards && c == u'[' && readBracket(p, i, step.bytes)) {
            exact = false;
        } else {
            step.bytes = withSeparators(one(c));
        }
        m_steps.push_back(step);
    }
    if (!m_error.isEmpty()) {
        m_steps.assign(1, Step()); // nothing goes past an empty set
        return;
    }
    if (std::optional<QByteArray> bytes = exact ? Windows1252::encodeExactly(p) : std::nullopt) {
        m_exact = true;
        m_name = *bytes;
        std::vector<Step>().swap(m_steps);
        if (m_text == Windows1252::decode(m_name))
            m_text.clear();
    }
}

std::optional<QByteArray> NamePattern::exactForm(const QString &literal)
{
    return Windows1252::encodeExactly(slashed(literal));
}

QString NamePattern::text() const
{
    return m_exact && m_text.isEmpty() ? Windows1252::decode(m_name) : m_text;
}

bool NamePattern::readBracket(const QString &p, qsizetype &i, ByteSet &bytes)
{
    qsizetype j = i + 1;
    const bool negated = j < p.size() && (p.at(j) == u'!' || p.at(j) == u'^');
    if (negated)
        ++j;
    ByteSet set;
    QString fault; // reported only if the bracket ends: an unended one is ordinary characters
    for (const qsizetype first = j; j < p.size(); ++j) {
        const char16_t c = p.at(j).unicode();
        if (c == u']' && j > first) {
            i = j;
            set = withSeparators(set);
            bytes = negated ? ~set : set;
            if (m_error.isEmpty())
                m_error = fault;
            return true;
        }
        if (c == u'[' && j + 1 < p.size() && p.at(j + 1) == u':') {
            // Not a class when a "]" or another "[:" comes first: then "[" is a character.
            const qsizetype end = p.indexOf(QLatin1String(":]"), j + 2);
            const QStringView name = QStringView(p).mid(j + 2, qMax(end - j - 2, 0));
            if (end > 0 && !name.contains(u']') && !name.contains(QLatin1String("[:"))) {
                if (const std::optional<ByteSet> known = characterClass(name))
                    set |= *known;
                else if (fault.isEmpty())
                    fault = QStringLiteral("there is no character class %1")
                                .arg(p.mid(j, end + 2 - j));
                j = end + 1;
                continue;
            }
        }
        if (j + 2 < p.size() && p.at(j + 1) == u'-' && p.at(j + 2) != u']') {
            const char16_t last = p.at(j + 2).unicode();
            if (last < c && fault.isEmpty())
                fault = QStringLiteral("the range %1 runs backwards").arg(p.mid(j, 3));
            set |= range(c, last);
            j += 2;
        } else {
            set |= one(c);
        }
    }
    return false;
}

std::vector<qint32> NamePattern::selectedRows(const EntryTable &table,
                                              const QList<NamePattern> &patterns,
                                              std::vector<bool> *used, const Literals &literals)
{
    const qsizetype marked = patterns.size() + literals.count;
    const qint32 count = table.filledRows();
    if (used)
        used->assign(size_t(marked), false);
    std::vector<qint32> all;
    if (marked == 0) {
        all.resize(size_t(count));
        std::iota(all.begin(), all.end(), 0);
        return all;
    }
    const ExactNames exact(patterns, literals);
    const PatternAutomaton automaton(patterns);
    const int threads = qBound(1, QThread::idealThreadCount(), int(count / kRowsPerThread) + 1);
    std::vector<std::vector<qint32>> rows(static_cast<size_t>(threads));
    std::vector<std::optional<Marks>> marks(static_cast<size_t>(threads));
    const auto share = [&](int t) {
        PatternAutomaton::Scratch scratch;
        std::optional<Marks> &own = marks[size_t(t)];
        if (used)
            own.emplace(marked);
        const qint32 last = qint32(qint64(count) * (t + 1) / threads);
        for (qint32 row = qint32(qint64(count) * t / threads); row < last; ++row) {
            // Once every pattern has matched a row, the first match decides.
            Marks *m = own && own->unused > 0 ? &*own : nullptr;
            const QByteArrayView name = table.rawNameView(row);
            bool selected = exact.matches(name, m);
            if (!selected || m)
                selected = automaton.matches(name, scratch, m) || selected;
            if (selected)
                rows[size_t(t)].push_back(row);
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(share, t);
    share(0);
    for (std::thread &helper : helpers)
        helper.join();

    all = std::move(rows[0]);
    for (int t = 0; t < threads; ++t) {
        if (t > 0)
            all.insert(all.end(), rows[size_t(t)].begin(), rows[size_t(t)].end());
        for (size_t i = 0; used && i < used->size(); ++i)
            (*used)[i] = (*used)[i] || marks[size_t(t)]->used[i];
    }
    return all;
}
