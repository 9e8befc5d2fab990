#include "NamePattern.h"

namespace {

char16_t folded(QChar c)
{
    return c == u'\\' ? u'/' : c.unicode();
}

bool inClass(const QString &name, QChar c)
{
    if (name == u"alnum")
        return c.isLetterOrNumber();
    if (name == u"alpha")
        return c.isLetter();
    if (name == u"blank")
        return c == u' ' || c == u'\t';
    if (name == u"cntrl")
        return c.category() == QChar::Other_Control;
    if (name == u"digit")
        return c >= u'0' && c <= u'9';
    if (name == u"graph")
        return c.isPrint() && !c.isSpace();
    if (name == u"lower")
        return c.isLower();
    if (name == u"print")
        return c.isPrint();
    if (name == u"punct")
        return c.isPunct() || c.isSymbol();
    if (name == u"space")
        return c.isSpace();
    if (name == u"upper")
        return c.isUpper();
    if (name == u"xdigit")
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    return false;
}

} // namespace

NamePattern::NamePattern(const QString &pattern) : m_text(pattern)
{
    QString p = pattern;
    p.replace(u'\\', u'/');
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p.at(i);
        Token token;
        if (c == u'*') {
            if (!m_tokens.isEmpty() && m_tokens.last().kind == Token::Star)
                continue; // one star does what several do
            token.kind = Token::Star;
        } else if (c == u'?') {
            token.kind = Token::Any;
        } else if (c != u'[' || !parseSet(p, i, token)) {
            token.ch = c.unicode();
        }
        m_tokens << token;
    }
}

bool NamePattern::parseSet(const QString &pattern, qsizetype &i, Token &token)
{
    qsizetype j = i + 1;
    Token set;
    set.kind = Token::Set;
    if (j < pattern.size() && (pattern.at(j) == u'!' || pattern.at(j) == u'^')) {
        set.negated = true;
        ++j;
    }
    for (bool first = true; j < pattern.size(); first = false) {
        const QChar c = pattern.at(j);
        if (c == u']' && !first) {
            i = j;
            token = set;
            return true;
        }
        if (c == u'[' && j + 1 < pattern.size() && pattern.at(j + 1) == u':') {
            const qsizetype end = pattern.indexOf(QLatin1String(":]"), j + 2);
            if (end > 0) {
                set.classes << pattern.mid(j + 2, end - j - 2);
                j = end + 2;
                continue;
            }
        }
        QChar last = c;
        if (j + 2 < pattern.size() && pattern.at(j + 1) == u'-' && pattern.at(j + 2) != u']') {
            last = pattern.at(j + 2);
            j += 2;
        }
        set.members += c;
        set.members += last;
        ++j;
    }
    return false;
}

bool NamePattern::inSet(const Token &token, QChar c)
{
    bool found = false;
    const char16_t u = folded(c);
    for (qsizetype k = 0; k + 1 < token.members.size() && !found; k += 2)
        found = u >= folded(token.members.at(k)) && u <= folded(token.members.at(k + 1));
    for (qsizetype k = 0; k < token.classes.size() && !found; ++k)
        found = inClass(token.classes.at(k), c);
    return found != token.negated;
}

bool NamePattern::matches(const QString &name) const
{
    // Every place in the pattern the name so far can have reached, moved on one character at
    // a time: a star stays where it is and lets the next token try too.
    const qsizetype m = m_tokens.size();
    std::vector<char> now(size_t(m) + 1, 0), next(size_t(m) + 1, 0);
    const auto reach = [&](std::vector<char> &states, qsizetype i) {
        for (; i <= m; ++i) {
            states[size_t(i)] = 1;
            if (i == m || m_tokens.at(i).kind != Token::Star)
                break;
        }
    };
    reach(now, 0);
    for (qsizetype k = 0;; ++k) {
        // Accepted at the end of the name, or of a folder above it.
        const bool boundary = k == name.size() || (k > 0 && folded(name.at(k)) == u'/');
        if (boundary && now[size_t(m)])
            return true;
        if (k == name.size())
            return false;
        std::fill(next.begin(), next.end(), 0);
        bool alive = false;
        const QChar c = name.at(k);
        for (qsizetype i = 0; i < m; ++i) {
            if (!now[size_t(i)])
                continue;
            const Token &t = m_tokens.at(i);
            bool step = false;
            switch (t.kind) {
            case Token::Star:
                reach(next, i);
                alive = true;
                continue;
            case Token::Any:
                step = true;
                break;
            case Token::Literal:
                step = folded(c) == t.ch;
                break;
            case Token::Set:
                step = inSet(t, c);
                break;
            }
            if (step) {
                reach(next, i + 1);
                alive = true;
            }
        }
        if (!alive)
            return false;
        now.swap(next);
    }
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
        if (!selected) {
            const QString name = table.name(row);
            for (qsizetype i = 0; i < patterns.size(); ++i) {
                if (patterns.at(i).matches(name)) {
                    selected = true;
                    if (used)
                        (*used)[size_t(i)] = true;
                    else
                        break;
                }
            }
        }
        if (selected)
            rows.push_back(row);
    }
    return rows;
}
