#include "archive/DirectoryReader.h"
#include "support/SampleArchive.h"

#include <QFile>
#include <QtTest>

// The shipped sample must stay what its writer makes and open cleanly.
class tst_Sample : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shippedSampleMatchesItsWriter()
    {
        QFile file(QStringLiteral(QUILLON_SOURCE_DIR "/examples/sample.dat"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), sampleArchive().build());
        DirectoryReader reader;
        QVERIFY(file.seek(0));
        QVERIFY(reader.read(&file));
        QCOMPARE(reader.table().filledRows(), qint32(sampleArchive().entries().size()));
    }
};

QTEST_APPLESS_MAIN(tst_Sample)
#include "tst_sample.moc"
