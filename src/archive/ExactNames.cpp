#include "ExactNames.h"

#include "EntryName.h"

#include <QHash>

namespace {

// FNV-1a, one byte at a time, so every prefix of a name has its hash on the way.
constexpr quint64 kStart = 0xcbf29ce484222325ULL;

inline quint64 hashed(quint64 hash, char c)
{
    return (hash ^ uchar(isNameSeparator(c) ? '/' : c)) * 0x100000001b3ULL;
}

// FNV's low bits alone would crowd a power-of-two table.
inline size_t slotOf(quint64 hash, size_t mask)
{
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    return size_t(hash) & mask;
}

} // namespace

ExactNames::ExactNames(const QList<NamePattern> &patterns)
{
    QHash<QByteArray, qint32> byName;
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        if (!patterns.at(i).isExact())
            continue;
        const QByteArray &name = patterns.at(i).exactName();
        auto it = byName.constFind(name);
        if (it == byName.cend()) {
            it = byName.insert(name, qint32(m_keys.size()));
            quint64 hash = kStart;
            for (const char c : name)
                hash = hashed(hash, c);
            m_keys.push_back({ name, hash, {} });
            if (m_lengths.size() <= size_t(name.size()))
                m_lengths.resize(size_t(name.size()) + 1, false);
            m_lengths[size_t(name.size())] = true;
        }
        m_keys[size_t(*it)].patterns.push_back(i);
    }
    size_t size = 1;
    while (size < 2 * m_keys.size())
        size *= 2;
    m_slots.assign(size, -1);
    for (size_t k = 0; k < m_keys.size(); ++k) {
        size_t s = slotOf(m_keys[k].hash, size - 1);
        while (m_slots[s] >= 0)
            s = (s + 1) & (size - 1);
        m_slots[s] = qint32(k);
    }
}

bool ExactNames::matches(QByteArrayView name, NamePattern::Marks *marks) const
{
    if (m_keys.empty())
        return false;
    const size_t mask = m_slots.size() - 1;
    const qsizetype limit = qMin(name.size(), qsizetype(m_lengths.size()) - 1);
    bool found = false;
    quint64 hash = kStart;
    for (qsizetype end = 0;; ++end) {
        // The whole name, or a folder above it: one that a separator ends.
        if (m_lengths[size_t(end)]
            && (end == name.size() || (end > 0 && isNameSeparator(name.at(end))))) {
            for (size_t s = slotOf(hash, mask); m_slots[s] >= 0; s = (s + 1) & mask) {
                const Key &key = m_keys[size_t(m_slots[s])];
                if (key.hash != hash || key.name.size() != end)
                    continue;
                qsizetype k = 0;
                while (k < end
                       && (isNameSeparator(name.at(k)) ? '/' : name.at(k)) == key.name.at(k))
                    ++k;
                if (k < end)
                    continue;
                if (!marks)
                    return true;
                found = true;
                for (const qsizetype pattern : key.patterns)
                    marks->mark(pattern);
            }
        }
        if (end == limit)
            return found;
        hash = hashed(hash, name.at(end));
    }
}
