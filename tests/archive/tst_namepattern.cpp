#include "archive/DirectoryReader.h"
#include "archive/NamePattern.h"
#include "compress/Windows1252.h"
#include "support/ArchiveWriter.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

namespace {

// What a piece of a generated pattern means: a star, a question mark, or one character out of
// a set (a character standing alone is a set of one).
struct Piece
{
    enum Kind { Star, Any, Set } kind = Star;
    bool negated = false;
    QList<std::pair<char16_t, char16_t>> ranges; // a character alone is a range of one
    QList<QString> classes; // "alpha", "^alpha"…
};

bool isSeparator(char16_t c)
{
    return c == u'/' || c == u'\\';
}

bool inClass(const QString &name, char16_t c)
{
    const bool negated = name.startsWith(u'^');
    const QString n = negated ? name.mid(1) : name;
    const bool in = c < 0x80
        && (n == "alpha"       ? QChar(c).isLetter()
                : n == "digit" ? QChar(c).isDigit()
                : n == "upper" ? QChar(c).isUpper()
                : n == "space" ? QChar(c).isSpace()
                               : QChar(c).isPunct() || QChar(c).isSymbol());
    return in != negated;
}

bool inSet(const Piece &set, char16_t c)
{
    const auto holds = [&set](char16_t d) {
        for (const auto &[first, last] : set.ranges)
            if (d >= first && d <= last)
                return true;
        for (const QString &name : set.classes)
            if (inClass(name, d))
                return true;
        return false;
    };
    return (isSeparator(c) ? holds(u'/') || holds(u'\\') : holds(c)) != set.negated;
}

// The obvious backtracking match of the whole of name from piece k on.
bool wholeMatch(const QList<Piece> &pieces, qsizetype k, QStringView name)
{
    if (k == pieces.size())
        return name.isEmpty();
    const Piece &p = pieces.at(k);
    if (p.kind == Piece::Star)
        return wholeMatch(pieces, k + 1, name)
            || (!name.isEmpty() && wholeMatch(pieces, k, name.mid(1)));
    if (name.isEmpty())
        return false;
    return (p.kind == Piece::Any || inSet(p, name.front().unicode()))
        && wholeMatch(pieces, k + 1, name.mid(1));
}

// The reference: the whole name or a folder above it, tried one by one.
bool reference(const QList<Piece> &pieces, const QString &name)
{
    for (qsizetype end = 0; end <= name.size(); ++end)
        if ((end == name.size() || (end > 0 && isSeparator(name.at(end).unicode())))
            && wholeMatch(pieces, 0, QStringView(name).left(end)))
            return true;
    return false;
}

// A random pattern: stars, question marks, characters (some with no byte in the code page),
// sets with ranges, classes and separators, now and then a separator at the end.
QString generated(QRandomGenerator &rng, QList<Piece> &pieces)
{
    static const QString chars = QStringLiteral("abz./\\\u00e9\u20ac0A_ \u0100");
    static const QString ends = QStringLiteral(" #./09AZ[az\u00e9~");
    static const QStringList classes { "alpha", "digit", "upper", "space", "punct", "^alpha" };
    const auto pick = [&rng](const QString &from) { return from.at(rng.bounded(from.size())); };
    QString text;
    const int count = rng.bounded(7);
    for (int k = 0; k < count; ++k) {
        Piece p;
        const int kind = rng.bounded(rng.bounded(3) ? 3 : 4);
        if (kind < 2) {
            p.kind = Piece::Kind(kind);
            text += kind == Piece::Star ? u'*' : u'?';
        } else if (p.kind = Piece::Set; kind == 2) {
            const QChar c = pick(chars);
            p.ranges << std::pair(c.unicode(), c.unicode());
            text += c;
        } else {
            p.negated = rng.bounded(3) == 0;
            text += p.negated ? (rng.bounded(2) ? "[!" : "[^") : "[";
            for (int items = 1 + rng.bounded(3); items > 0; --items) {
                QChar first = pick(chars.left(chars.size() - 2)), last = first;
                if (const int item = rng.bounded(3); item == 0) {
                    text += first;
                } else if (item == 1) {
                    first = pick(ends), last = pick(ends);
                    if (last < first)
                        std::swap(first, last);
                    text += first + QStringLiteral("-") + last;
                } else {
                    p.classes << classes.at(rng.bounded(classes.size()));
                    text += QStringLiteral("[:%1:]").arg(p.classes.last());
                    continue;
                }
                p.ranges << std::pair(first.unicode(), last.unicode());
            }
            text += u']';
        }
        pieces << p;
    }
    // Separators at the end are ignored, as is one more that is not a piece.
    for (qsizetype kept = text.size(); kept > 1 && isSeparator(text.at(kept - 1).unicode()); --kept)
        pieces.removeLast();
    if (rng.bounded(6) == 0 && !text.isEmpty())
        text += rng.bounded(2) ? u'/' : u'\\';
    return text;
}

EntryTable tableOf(const QList<QByteArray> &names)
{
    ArchiveWriter writer;
    for (const QByteArray &name : names)
        writer.add(ArchiveWriter::stored(name, {}));
    QBuffer buffer;
    buffer.setData(writer.build());
    DirectoryReader reader;
    if (!buffer.open(QIODevice::ReadOnly) || !reader.read(&buffer))
        return {};
    return reader.table();
}

} // namespace

class tst_NamePattern : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void agreesWithReference();
};

// Generated patterns over generated short names, one at a time and all together, against a
// matcher that is plainly right because it tries everything.
void tst_NamePattern::agreesWithReference()
{
    QRandomGenerator rng(26);
    static const QByteArray bytes("ab./\\\xe9\x80\x81\x9f"
                                  "0A_ ",
                                  13);
    QList<QByteArray> names;
    for (int i = 0; i < 300; ++i) {
        QByteArray name;
        for (int k = rng.bounded(i % 10 ? 9 : 30); k > 0; --k)
            name += bytes.at(rng.bounded(bytes.size()));
        names << name;
    }
    const EntryTable table = tableOf(names);
    QCOMPARE(table.filledRows(), names.size());

    QList<NamePattern> all;
    std::vector<std::vector<qint32>> expected;
    for (int i = 0; i < 400; ++i) {
        QList<Piece> pieces;
        const QString text = generated(rng, pieces);
        all << NamePattern(text);
        QVERIFY2(all.last().isValid(), qPrintable(text));
        expected.emplace_back();
        for (qint32 row = 0; row < table.filledRows(); ++row)
            if (reference(pieces, Windows1252::decode(names.at(row))))
                expected.back().push_back(row);
        QVERIFY2(NamePattern::selectedRows(table, { all.last() }) == expected.back(),
                 qPrintable(text));
    }
    std::vector<bool> used; // all together
    NamePattern::selectedRows(table, all, &used);
    for (size_t i = 0; i < expected.size(); ++i)
        QVERIFY2(used[i] == !expected[i].empty(), qPrintable(all.at(qsizetype(i)).text()));
    // A pattern that goes on along the name past patterns that have stopped, wherever it lies
    // among them, and with or without one still going after them.
    const EntryTable as = tableOf({ QByteArray(30, 'a') });
    for (const bool after : { false, true }) {
        for (int before = 0; before < 40; ++before) {
            QList<NamePattern> some(before, NamePattern(QStringLiteral("q?")));
            some << NamePattern(QStringLiteral("a") + QString(20, u'?') + u'*');
            some += QList<NamePattern>(40, NamePattern(QStringLiteral("q?")));
            if (after)
                some << NamePattern(QStringLiteral("a*"));
            NamePattern::selectedRows(as, some, &used);
            QVERIFY(used[size_t(before)]);
        }
    }
}

QTEST_GUILESS_MAIN(tst_NamePattern)
#include "tst_namepattern.moc"
