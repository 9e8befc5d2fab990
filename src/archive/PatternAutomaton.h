#pragma once

#include "NamePattern.h"

#include <QByteArrayView>
#include <QList>

#include <vector>

// The wildcard patterns of a selection as one automaton that reads a name once, byte by byte,
// with every pattern moving along it at the same time. Each pattern is a run of bits, one for
// each of its steps and one for "all steps done"; a set bit is a place the pattern may have
// reached (shift-and, with stars that stay). A name costs time linear in its length for given
// patterns, with no backtracking and no limit that could turn into "no match". Patterns are
// done where the name ends or a separator follows, which is the folder rule in the same pass.
class PatternAutomaton
{
public:
    // The patterns that are not exact names.
    explicit PatternAutomaton(const QList<NamePattern> &patterns);

    // One thread's working memory.
    struct Scratch
    {
        std::vector<quint64> state; // every word not in live is 0
        std::vector<qint32> live, next; // the words with a bit set, ascending
    };

    // Whether one of the patterns matches name, a name's bytes as the archive holds them.
    // With marks, marks every pattern that matches, else stops at the first.
    bool matches(QByteArrayView name, Scratch &scratch, NamePattern::Marks *marks) const;

private:
    // The places reached from state by one more byte, in place.
    void step(uchar byte, Scratch &scratch) const;
    bool matchesInOneWord(QByteArrayView name, NamePattern::Marks *marks) const;
    // Marks the patterns whose last bit is set in word w of a state.
    void mark(qint32 w, quint64 done, NamePattern::Marks *marks) const;

    qint32 m_words = 0;
    std::vector<quint64> m_masks; // by byte, then word: the steps that byte gets past
    std::vector<quint64> m_stars; // the steps that are stars
    std::vector<quint64> m_done; // each pattern's last bit
    std::vector<quint64> m_initial; // the places before any byte
    // The state after the first byte, by that byte: its live words, from m_firstStart[b] on.
    std::vector<qint32> m_firstStart, m_firstWord;
    std::vector<quint64> m_firstBits;
    std::vector<qint64> m_doneBit; // each pattern's last bit, ascending …
    std::vector<qsizetype> m_pattern; // … and its index in the selection
};
