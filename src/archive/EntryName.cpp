#include "EntryName.h"

namespace {

// Where the last folder that a writer makes for name ends within it.
qsizetype lastFolderEnd(const QString &name)
{
    qsizetype last = 0;
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = name.at(i);
        if (isNameSeparator(c))
            last = i;
        else if (i == n - 1)
            last = n;
        else if (c == u'.' && i == n - 4)
            break; // a three-letter extension: this component and the rest are no folders
    }
    return last;
}

} // namespace

EntryName::EntryName(const QString &name)
    : m_hasZero(name.contains(QChar(0)))
    , m_tooLong(name.size() > kMaxLength)
    , m_endsWithSeparator(!name.isEmpty() && isNameSeparator(name.back()))
{
    if (m_tooLong)
        return; // never split: its folders are never made
    const qsizetype folderEnd = lastFolderEnd(name);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isNameSeparator(name.at(i)))
            continue;
        if (i > start && !(i - start == 1 && name.at(start) == u'.')) {
            m_parts << name.mid(start, i - start).toUtf8();
            if (i <= folderEnd)
                m_levels = m_parts.size();
        }
        start = i + 1;
    }
}

std::optional<EntryFailure> EntryName::refusal(bool isFile) const
{
    if (m_hasZero)
        return EntryFailure { EntryFailure::NotAFileName };
    if (m_tooLong)
        return EntryFailure { EntryFailure::NameTooLong };
    if (m_parts.contains(".."))
        return EntryFailure { EntryFailure::OutsideDestination };
    if (isFile && (m_parts.isEmpty() || m_endsWithSeparator))
        return EntryFailure { EntryFailure::NotAFileName };
    return std::nullopt;
}
