#pragma once

#include "EntryFailure.h"

#include <QByteArrayList>
#include <QString>

#include <optional>

// "\" and "/" alike part the folders of a name.
constexpr bool isNameSeparator(char c)
{
    return c == '\\' || c == '/';
}
inline bool isNameSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

// How the writers read an entry's name, split once: its components as native bytes, which of
// them are folders to make, and whether it may be written at all. "\" separates folders, and
// "/" is taken as one too; empty and "." components name the folder before them.
class EntryName
{
public:
    // The longest name written: the longest path the system these archives come from can hold.
    // A longer one is refused before anything of it is made.
    static constexpr qsizetype kMaxLength = 32767;

    explicit EntryName(const QString &name);

    // Why the name can never be written as a file (isFile) or a folder, if it cannot: it holds
    // character 0, is too long, has a ".." component, or names no file.
    std::optional<EntryFailure> refusal(bool isFile) const;

    const QByteArrayList &parts() const { return m_parts; }
    // Every component but the last: the folder the entry goes into.
    QByteArrayList parent() const { return m_parts.first(qMax<qsizetype>(m_parts.size() - 1, 0)); }
    // The folders a writer makes for the name, shallowest first. A name whose fourth
    // character from the end is "." is taken for a file name with a three-letter extension
    // and its scan stops there; otherwise its last component is a folder too.
    QByteArrayList folderLevels() const { return m_parts.first(m_levels); }

private:
    bool m_hasZero = false;
    bool m_tooLong = false;
    bool m_endsWithSeparator = false;
    QByteArrayList m_parts;
    qsizetype m_levels = 0;
};
