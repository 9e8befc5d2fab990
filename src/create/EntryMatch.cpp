#include "EntryMatch.h"

#include "SourceTree.h"

#include <QHash>

QByteArrayView EntryMatch::canonical(QByteArrayView name, QByteArray &buffer)
{
    // Most names already are: no "/", no empty or "." component.
    bool plain = !name.isEmpty() && name.front() != '\\' && name.back() != '\\';
    for (qsizetype i = 0; plain && i < name.size(); ++i) {
        const char c = name[i];
        const bool start = i == 0 || name[i - 1] == '\\';
        plain = c != '/' && !(start && c == '\\')
            && !(start && c == '.' && (i + 1 == name.size() || name[i + 1] == '\\'));
    }
    if (plain)
        return name;
    buffer.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '\\' && name[i] != '/')
            continue;
        const QByteArrayView part = name.sliced(start, i - start);
        if (!part.isEmpty() && part != ".") {
            if (!buffer.isEmpty())
                buffer += '\\';
            buffer += part;
        }
        start = i + 1;
    }
    return buffer;
}

EntryMatch::EntryMatch(const SourceTree &tree, const EntryTable &table)
    : m_rows(size_t(tree.count()), -1), m_below(size_t(tree.count()), false)
{
    QHash<QByteArray, qsizetype> items;
    items.reserve(tree.count());
    for (qsizetype i = 0; i < tree.count(); ++i)
        items.insert(tree.name(i), i);
    const auto find = [&](QByteArrayView name) {
        // A view of the name's bytes, not a copy of them.
        const auto it = items.constFind(QByteArray::fromRawData(name.data(), name.size()));
        return it == items.cend() ? qsizetype(-1) : it.value();
    };
    QByteArray buffer;
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        const QByteArrayView name = canonical(table.rawNameView(row), buffer);
        if (const qsizetype i = find(name); i >= 0)
            m_rows[size_t(i)] = row;
        for (qsizetype k = name.indexOf('\\'); k > 0; k = name.indexOf('\\', k + 1))
            if (const qsizetype i = find(name.first(k)); i >= 0)
                m_below[size_t(i)] = true;
    }
}
