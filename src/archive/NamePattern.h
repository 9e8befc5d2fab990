#pragma once

#include "EntryTable.h"

#include <QList>
#include <QRegularExpression>
#include <QString>

#include <vector>

// A shell wildcard (*, ?, [...]) matched against entry names, with "\" and "/" alike: "\" is a
// folder separator in these names, so it cannot also escape a wildcard. A pattern matches a
// name when it matches the whole name or one of the folders above it, so a folder's name
// selects everything below it. One match runs along the name once, not once per folder.
// A literal pattern is an exact name: no character in it is a wildcard.
class NamePattern
{
public:
    enum class Syntax { Wildcard, Literal };

    explicit NamePattern(const QString &pattern, Syntax syntax = Syntax::Wildcard);

    const QString &text() const { return m_text; }
    bool matches(const QString &name) const;

    // The rows of table, in table order, that one of patterns matches; every row when there are
    // none. used, if given, tells for each pattern whether it matched a row. Literal patterns
    // are looked up by name, so thousands of them cost no more than one. A large table is
    // matched on every processor.
    static std::vector<qint32> selectedRows(const EntryTable &table,
                                            const QList<NamePattern> &patterns,
                                            std::vector<bool> *used = nullptr);

private:
    // selectedRows() over the rows first … last − 1.
    static std::vector<qint32> selectedRows(const EntryTable &table,
                                            const QList<NamePattern> &patterns, qint32 first,
                                            qint32 last, std::vector<bool> *used);

    QString m_text;
    QRegularExpression m_expression;
    Syntax m_syntax;
    QString m_literal; // the name with "/" for "\" and no trailing separator
};
