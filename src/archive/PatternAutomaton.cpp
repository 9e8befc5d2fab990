#include "PatternAutomaton.h"

#include "EntryName.h"

#include <algorithm>
#include <bit>

namespace {

// One word of the next state from word d of this one, given the steps byte gets past (mask)
// and the stars; carry and starCarry take the bits that move on into the next word. A place
// past a star is reached with the star, as "*" may match nothing; stars never follow each
// other, so one move past them is enough.
inline quint64 advance(quint64 d, quint64 mask, quint64 stars, quint64 &carry, quint64 &starCarry)
{
    const quint64 moved = d & mask;
    quint64 next = (moved << 1) | carry | (d & stars);
    carry = moved >> 63;
    const quint64 atStar = next & stars;
    next |= (atStar << 1) | starCarry;
    starCarry = atStar >> 63;
    return next;
}

} // namespace

PatternAutomaton::PatternAutomaton(const QList<NamePattern> &patterns)
{
    qint64 bits = 0;
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        if (patterns.at(i).isExact())
            continue;
        bits += qint64(patterns.at(i).steps().size());
        m_doneBit.push_back(bits++);
        m_pattern.push_back(i);
    }
    m_words = qint32((bits + 63) / 64);
    if (m_words == 0)
        return;
    const size_t words = size_t(m_words);
    m_masks.assign(256 * words, 0);
    m_stars.assign(words, 0);
    m_done.assign(words, 0);
    m_initial.assign(words, 0);
    const auto set = [](std::vector<quint64> &v, qint64 bit) {
        v[size_t(bit / 64)] |= quint64(1) << (bit % 64);
    };
    qint64 bit = 0;
    for (size_t p = 0; p < m_pattern.size(); ++p) {
        const std::vector<NamePattern::Step> &steps = patterns.at(m_pattern[p]).steps();
        set(m_initial, bit);
        if (!steps.empty() && steps.front().star)
            set(m_initial, bit + 1);
        for (const NamePattern::Step &step : steps) {
            if (step.star)
                set(m_stars, bit);
            for (size_t b = 0; !step.star && b < 256; ++b)
                if (step.bytes[b])
                    m_masks[b * words + size_t(bit / 64)] |= quint64(1) << (bit % 64);
            ++bit;
        }
        set(m_done, bit++);
    }
    // Every name starts from the same state: its first step is worked out once for each byte,
    // so a name costs only the patterns still alive after it.
    for (size_t b = 0; b < 256; ++b) {
        m_firstStart.push_back(qint32(m_firstWord.size()));
        quint64 carry = 0, starCarry = 0;
        for (size_t w = 0; w < words; ++w) {
            const quint64 next
                = advance(m_initial[w], m_masks[b * words + w], m_stars[w], carry, starCarry);
            if (next) {
                m_firstWord.push_back(qint32(w));
                m_firstBits.push_back(next);
            }
        }
    }
    m_firstStart.push_back(qint32(m_firstWord.size()));
}

void PatternAutomaton::mark(qint32 w, quint64 done, NamePattern::Marks *marks) const
{
    for (; done; done &= done - 1) {
        const qint64 bit = qint64(w) * 64 + std::countr_zero(done);
        const auto it = std::lower_bound(m_doneBit.begin(), m_doneBit.end(), bit);
        marks->mark(m_pattern[size_t(it - m_doneBit.begin())]);
    }
}

bool PatternAutomaton::matches(QByteArrayView name, Scratch &scratch,
                               NamePattern::Marks *marks) const
{
    if (m_words == 0)
        return false;
    bool hit = false;
    if (name.isEmpty()) {
        for (qint32 w = 0; w < m_words; ++w) {
            if (const quint64 done = m_initial[size_t(w)] & m_done[size_t(w)]) {
                hit = true;
                if (!marks)
                    break;
                mark(w, done, marks);
            }
        }
        return hit;
    }
    if (m_words == 1)
        return matchesInOneWord(name, marks);

    Scratch &s = scratch;
    s.state.resize(size_t(m_words), 0);
    const uchar first = uchar(name.front());
    for (qint32 k = m_firstStart[first]; k < m_firstStart[first + 1]; ++k) {
        s.state[size_t(m_firstWord[size_t(k)])] = m_firstBits[size_t(k)];
        s.live.push_back(m_firstWord[size_t(k)]);
    }
    bool stop = false;
    for (qsizetype i = 1; !stop && !s.live.empty(); ++i) {
        if (i == name.size() || isNameSeparator(name.at(i))) {
            for (const qint32 w : s.live) {
                if (const quint64 done = s.state[size_t(w)] & m_done[size_t(w)]) {
                    hit = true;
                    stop = !marks;
                    if (stop)
                        break;
                    mark(w, done, marks);
                }
            }
        }
        if (i == name.size())
            break;
        if (!stop)
            step(uchar(name.at(i)), s);
    }
    for (const qint32 w : s.live)
        s.state[size_t(w)] = 0;
    s.live.clear();
    return hit;
}

bool PatternAutomaton::matchesInOneWord(QByteArrayView name, NamePattern::Marks *marks) const
{
    const uchar *at = reinterpret_cast<const uchar *>(name.data());
    const uchar *const end = at + name.size();
    quint64 d
        = m_firstStart[*at] < m_firstStart[*at + 1] ? m_firstBits[size_t(m_firstStart[*at])] : 0;
    const quint64 stars = m_stars.front();
    const quint64 doneBits = m_done.front();
    bool hit = false;
    // The loop that matters: a name is read here byte by byte for most selections.
    for (++at; d && at != end; ++at) {
        if ((d & doneBits) && isNameSeparator(char(*at))) {
            if (!marks)
                return true;
            hit = true;
            mark(0, d & doneBits, marks);
        }
        const quint64 next = ((d & m_masks[*at]) << 1) | (d & stars);
        d = next | ((next & stars) << 1);
    }
    if (const quint64 done = at == end ? d & doneBits : 0) {
        hit = true;
        if (marks)
            mark(0, done, marks);
    }
    return hit;
}

void PatternAutomaton::step(uchar byte, Scratch &s) const
{
    const quint64 *masks = m_masks.data() + size_t(byte) * size_t(m_words);
    quint64 carry = 0, starCarry = 0;
    const auto update = [&](qint32 w) {
        quint64 &word = s.state[size_t(w)];
        word = advance(word, masks[w], m_stars[size_t(w)], carry, starCarry);
        if (word)
            s.next.push_back(w);
    };
    s.next.clear();
    qint32 previous = -1;
    for (const qint32 w : s.live) {
        // Bits moving on into a word that was empty.
        if ((carry | starCarry) && previous + 1 < w)
            update(previous + 1);
        update(w);
        previous = w;
    }
    if ((carry | starCarry) && previous + 1 < m_words)
        update(previous + 1);
    std::swap(s.live, s.next);
}
