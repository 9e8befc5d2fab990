#include "ui/EntryListView.h"
#include "ui/SelectionRanges.h"

#include <QItemSelection>
#include <QStandardItemModel>
#include <QtTest>

using Ranges = QList<QPair<int, int>>; // top and bottom rows, as the list selected them

// The selection a list hands over, turned into rows in list order whatever order and overlap
// its ranges come in.
class tst_EntryListView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selectedRows_data();
    void selectedRows();
};

void tst_EntryListView::selectedRows_data()
{
    QTest::addColumn<Ranges>("ranges");
    QTest::addColumn<QList<qint32>>("rows");
    QTest::addColumn<QList<qint32>>("inverted"); // of the list's 10 rows

    QTest::newRow("nothing") << Ranges {} << QList<qint32> {}
                             << QList<qint32> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 };
    QTest::newRow("one row") << Ranges { { 4, 4 } } << QList<qint32> { 4 }
                             << QList<qint32> { 0, 1, 2, 3, 5, 6, 7, 8, 9 };
    QTest::newRow("clicked 4 then 1") << Ranges { { 4, 4 }, { 1, 1 } } << QList<qint32> { 1, 4 }
                                      << QList<qint32> { 0, 2, 3, 5, 6, 7, 8, 9 };
    QTest::newRow("overlapping") << Ranges { { 2, 5 }, { 4, 7 } }
                                 << QList<qint32> { 2, 3, 4, 5, 6, 7 }
                                 << QList<qint32> { 0, 1, 8, 9 };
    QTest::newRow("nested") << Ranges { { 0, 9 }, { 3, 4 } }
                            << QList<qint32> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 } << QList<qint32> {};
    QTest::newRow("adjacent") << Ranges { { 6, 7 }, { 3, 5 } } << QList<qint32> { 3, 4, 5, 6, 7 }
                              << QList<qint32> { 0, 1, 2, 8, 9 };
}

void tst_EntryListView::selectedRows()
{
    QFETCH(Ranges, ranges);
    QFETCH(QList<qint32>, rows);
    QFETCH(QList<qint32>, inverted);

    QStandardItemModel model(10, 1);
    QItemSelection selection;
    for (const auto &[top, bottom] : ranges)
        selection.append(QItemSelectionRange(model.index(top, 0), model.index(bottom, 0)));
    const std::vector<qint32> got = EntryListView::selectedRows(selection);
    QCOMPARE(QList<qint32>(got.begin(), got.end()), rows);
    QCOMPARE(EntryListView::selectedCount(selection), qint64(rows.size()));
    QList<qint32> rest;
    for (const auto &[first, last] : SelectionRanges::inverted(SelectionRanges::of(selection), 10))
        for (qint32 row = first; row <= last; ++row)
            rest << row;
    QCOMPARE(rest, inverted);
}

QTEST_GUILESS_MAIN(tst_EntryListView)
#include "tst_entrylistview.moc"
