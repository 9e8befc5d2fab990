#include "ExactNames.h"

#include "EntryName.h"

#include <algorithm>

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

ExactNames::ExactNames(const QList<NamePattern> &patterns, const Literals &literals)
{
    const qsizetype exact = std::count_if(patterns.begin(), patterns.end(),
                                          [](const NamePattern &p) { return p.isExact(); });
    size_t size = 1;
    while (size < 2 * size_t(exact + literals.count))
        size *= 2;
    m_slots.assign(size, -1);
    for (qsizetype i = 0; i < patterns.size(); ++i)
        if (patterns.at(i).isExact())
            add(patterns.at(i).exactName(), i);
    for (qsizetype i = 0; i < literals.count; ++i)
        if (const auto name = NamePattern::exactForm(QString::fromUtf8(literals.at(i))))
            add(*name, patterns.size() + i);
    std::sort(m_repeated.begin(), m_repeated.end());
}

void ExactNames::add(const QByteArray &name, qsizetype pattern)
{
    quint64 hash = kStart;
    for (const char c : name)
        hash = hashed(hash, c);
    const size_t mask = m_slots.size() - 1;
    size_t s = slotOf(hash, mask);
    for (; m_slots[s] >= 0; s = (s + 1) & mask) {
        const Key &key = m_keys[size_t(m_slots[s])];
        if (key.hash == hash && nameOf(key) == name) {
            m_repeated.emplace_back(m_slots[s], pattern);
            return;
        }
    }
    m_slots[s] = qint32(m_keys.size());
    m_keys.push_back({ m_bytes.size(), qint32(name.size()), hash, pattern });
    m_bytes += name;
    if (m_lengths.size() <= size_t(name.size()))
        m_lengths.resize(size_t(name.size()) + 1, false);
    m_lengths[size_t(name.size())] = true;
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
                if (key.hash != hash || key.size != end)
                    continue;
                const char *stored = m_bytes.constData() + key.start;
                qsizetype k = 0;
                while (k < end && (isNameSeparator(name.at(k)) ? '/' : name.at(k)) == stored[k])
                    ++k;
                if (k < end)
                    continue;
                if (!marks)
                    return true;
                found = true;
                marks->mark(key.pattern);
                const auto repeated = std::equal_range(
                    m_repeated.begin(), m_repeated.end(), std::pair(m_slots[s], qsizetype(0)),
                    [](const auto &a, const auto &b) { return a.first < b.first; });
                for (auto it = repeated.first; it != repeated.second; ++it)
                    marks->mark(it->second);
            }
        }
        if (end == limit)
            return found;
        hash = hashed(hash, name.at(end));
    }
}
