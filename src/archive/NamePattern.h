#pragma once

#include "EntryTable.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <bitset>
#include <functional>
#include <optional>
#include <vector>

// A shell wildcard (*, ?, [...]) matched against entry names, with "\" and "/" alike: "\" is a
// folder separator in these names, so it cannot also escape a wildcard, and a bracket holding
// one separator holds both. A pattern matches a name when it matches the whole name or one of
// the folders above it, so a folder's name selects everything below it. A literal pattern is an
// exact name: no character in it is a wildcard.
//
// Names are matched as the archive holds them, one Windows-1252 byte per character, by an
// automaton that never backtracks (PatternAutomaton), so a match costs time linear in the name
// whatever the pattern. A pattern without wildcards is an exact name and is looked up instead
// (ExactNames).
// Exact names in bulk (-T): count names, at(i) the UTF-8 bytes of the ith. They are selected as
// literal patterns would be, each costing its bytes instead of a pattern of its own; used tells
// of them after the patterns.
struct Literals
{
    qsizetype count = 0;
    std::function<QByteArrayView(qsizetype)> at;
};

class NamePattern
{
public:
    enum class Syntax { Wildcard, Literal };

    // One step along a name: a star (any run of characters, none included), or one character
    // whose byte is in bytes.
    struct Step
    {
        bool star = false;
        std::bitset<256> bytes;
    };

    // The patterns that have matched a name so far, and how many have not.
    struct Marks
    {
        explicit Marks(qsizetype patterns) : used(size_t(patterns), false), unused(patterns) { }
        void mark(qsizetype pattern)
        {
            if (!used[size_t(pattern)]) {
                used[size_t(pattern)] = true;
                --unused;
            }
        }
        std::vector<bool> used;
        qsizetype unused;
    };

    explicit NamePattern(const QString &pattern, Syntax syntax = Syntax::Wildcard);

    // The pattern as given.
    QString text() const;
    // A complete bracket expression that means nothing ([z-a], [[:bogus:]]) makes the pattern
    // invalid: it matches no name, and errorString() says why.
    bool isValid() const { return m_error.isEmpty(); }
    const QString &errorString() const { return m_error; }

    // A pattern without wildcards, every character of which has a byte, is an exact name: its
    // bytes with "/" between folders and no trailing separator. Every other pattern is steps.
    bool isExact() const { return m_exact; }
    const QByteArray &exactName() const { return m_name; }
    const std::vector<Step> &steps() const { return m_steps; }

    // The rows of table, in table order, that one of patterns matches; every row when there are
    // none. used, if given, tells for each pattern whether it matched a row. Exact names are
    // looked up and the other patterns go along each name together, so thousands of patterns
    // cost about as much as one. A large table is matched on every processor.
    static std::vector<qint32> selectedRows(const EntryTable &table,
                                            const QList<NamePattern> &patterns,
                                            std::vector<bool> *used = nullptr,
                                            const Literals &literals = {});
    // A literal name as the exact name it is looked up by; none where a character has no byte
    // in the archive's code page, so that no name can be it.
    static std::optional<QByteArray> exactForm(const QString &literal);

private:
    // The bracket expression opening at p[i] into bytes, i moved to its "]"; false when it has
    // no end and the "[" is an ordinary character.
    bool readBracket(const QString &p, qsizetype &i, std::bitset<256> &bytes);

    QString m_text; // empty where the exact name's bytes give it back: thousands of -T names
    QString m_error;
    bool m_exact = false;
    QByteArray m_name;
    std::vector<Step> m_steps;
};
