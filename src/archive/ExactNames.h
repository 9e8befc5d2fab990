#pragma once

#include "NamePattern.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <vector>

// The exact names among a selection's patterns, looked for along a name: the whole name and
// each folder above it are looked up as the name is read once, hashed as it goes, so a name
// costs its length (at most the longest exact name's) however many names there are.
class ExactNames
{
public:
    explicit ExactNames(const QList<NamePattern> &patterns);

    // Whether name, a name's bytes as the archive holds them, is one of the exact names or lies
    // below one. With marks, marks every pattern that matches, else stops at the first.
    bool matches(QByteArrayView name, NamePattern::Marks *marks) const;

private:
    struct Key
    {
        QByteArray name; // "/" between folders
        quint64 hash;
        std::vector<qsizetype> patterns; // every pattern that is this name
    };

    std::vector<Key> m_keys;
    std::vector<qint32> m_slots; // open addressing: an index into m_keys, or −1
    std::vector<bool> m_lengths; // the lengths the names have
};
