#pragma once

#include "NamePattern.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <vector>

// The exact names of a selection, looked for along a name: the whole name and each folder above
// it are looked up as the name is read once, hashed as it goes, so a name costs its length (at
// most the longest exact name's) however many names there are. The names are kept back to back,
// so a million of them (-T) take little more than their bytes.
class ExactNames
{
public:
    // The exact names among patterns, then the literals, numbered after the patterns.
    ExactNames(const QList<NamePattern> &patterns, const Literals &literals);

    // Whether name, a name's bytes as the archive holds them, is one of the exact names or lies
    // below one. With marks, marks every pattern that matches, else stops at the first.
    bool matches(QByteArrayView name, NamePattern::Marks *marks) const;

private:
    struct Key
    {
        qint64 start; // in m_bytes: the name, "/" between folders
        qint32 size;
        quint64 hash;
        qsizetype pattern; // the first pattern that is this name
    };

    void add(const QByteArray &name, qsizetype pattern);
    QByteArrayView nameOf(const Key &key) const
    {
        return { m_bytes.constData() + key.start, key.size };
    }

    QByteArray m_bytes;
    std::vector<Key> m_keys;
    // Every later pattern that is the name of a key, by key: few, so not one list per key.
    std::vector<std::pair<qint32, qsizetype>> m_repeated;
    std::vector<qint32> m_slots; // open addressing: an index into m_keys, or −1
    std::vector<bool> m_lengths; // the lengths the names have
};
