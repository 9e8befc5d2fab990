#include "FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <QtTest>

// Replays every file of the fuzz corpora through its target, so a crash fuzzing once found
// (kept in the corpus as a regression file) fails the ordinary test suite if it comes back.
class tst_CorpusReplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void replay();
};

void tst_CorpusReplay::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    const QDir corpus(QStringLiteral(QUILLON_CORPUS_DIR));
    for (const QString &target : corpus.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir dir(corpus.filePath(target));
        for (const QString &file : dir.entryList(QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(target + QLatin1Char('/') + file))
                << target << dir.filePath(file);
    }
}

void tst_CorpusReplay::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    if (target == QLatin1String("reader"))
        FuzzTargets::reader(data, size_t(bytes.size()));
    else if (target == QLatin1String("extract"))
        FuzzTargets::extract(data, size_t(bytes.size()));
    else if (target == QLatin1String("packwell"))
        FuzzTargets::packwell(data, size_t(bytes.size()));
    else if (target == QLatin1String("create"))
        FuzzTargets::create(data, size_t(bytes.size()));
    else
        QFAIL("a corpus folder without a target");
}

QTEST_GUILESS_MAIN(tst_CorpusReplay)
#include "tst_corpusreplay.moc"
