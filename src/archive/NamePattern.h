#pragma once

#include "EntryTable.h"

#include <QList>
#include <QString>

#include <vector>

// A shell wildcard (*, ?, [...]) matched against entry names, with "\" and "/" alike: "\" is
// a folder separator in these names, so it cannot also escape a wildcard. A pattern selects
// a name when it matches the whole name or one of the folders above it, so a folder's name
// selects everything below it.
//
// Matching runs once along the name, whatever the pattern and however many folders the name
// has, so a hostile name costs time in proportion to its length.
class NamePattern
{
public:
    explicit NamePattern(const QString &pattern);

    const QString &text() const { return m_text; }
    // Whether the pattern matches name or one of the folders above it.
    bool matches(const QString &name) const;

    // The rows of table, in table order, that one of patterns matches; every row when there are
    // none. used, if given, tells for each pattern whether it matched a row.
    static std::vector<qint32> selectedRows(const EntryTable &table,
                                            const QList<NamePattern> &patterns,
                                            std::vector<bool> *used = nullptr);

private:
    struct Token
    {
        enum Kind { Literal, Any, Star, Set } kind = Literal;
        char16_t ch = 0; // Literal
        bool negated = false; // Set
        QString members; // Set: pairs of first and last character of each range
        QStringList classes; // Set: names of [:class:] members
    };

    // Parses a bracket expression starting at pattern[i] == '['; false when it has no end,
    // and the "[" is an ordinary character.
    static bool parseSet(const QString &pattern, qsizetype &i, Token &token);
    static bool inSet(const Token &token, QChar c);

    QString m_text;
    QList<Token> m_tokens;
};
