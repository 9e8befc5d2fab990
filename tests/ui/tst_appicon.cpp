#include "ui/AppIcon.h"

#include <QImage>
#include <QtTest>

// The PNGs installed into the icon theme are committed; they must stay what AppIcon draws now.
class tst_AppIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void committedPngMatchesTheDrawing_data();
    void committedPngMatchesTheDrawing();
};

void tst_AppIcon::committedPngMatchesTheDrawing_data()
{
    QTest::addColumn<int>("size");
    for (int size : AppIcon::themeSizes())
        QTest::addRow("%dx%d", size, size) << size;
}

void tst_AppIcon::committedPngMatchesTheDrawing()
{
    QFETCH(int, size);
    const QString path = QStringLiteral(QUILLON_SOURCE_DIR "/data/icons/%1x%1.png").arg(size);
    const QImage committed(path);
    QVERIFY2(!committed.isNull(), qPrintable(path + QStringLiteral(" is missing or unreadable")));
    QCOMPARE(committed.size(), QSize(size, size));
    QVERIFY2(committed.hasAlphaChannel(), "the corners must stay transparent");
    // Pixels, not bytes: another PNG encoder may compress the same picture differently.
    QVERIFY2(committed.convertToFormat(QImage::Format_ARGB32) == AppIcon::image(size),
             "stale icon: rerun build/tools/make_icons data/icons");
}

QTEST_APPLESS_MAIN(tst_AppIcon)
#include "tst_appicon.moc"
