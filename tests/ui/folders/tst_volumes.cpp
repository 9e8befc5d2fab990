#include "ui/folders/Volumes.h"

#include <QtTest>

using VolumeList = QList<Volume>;

static VolumeList mounts(const QStringList &mountPoints)
{
    VolumeList volumes;
    for (const QString &mountPoint : mountPoints)
        volumes.append(Volume { mountPoint, QString() });
    return volumes;
}

class tst_Volumes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ordered_data();
    void ordered();
    void label_data();
    void label();
    void indexHolding_data();
    void indexHolding();
    void startFolder_data();
    void startFolder();
};

void tst_Volumes::ordered_data()
{
    QTest::addColumn<QStringList>("mountPoints");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("root first") << QStringList { "/home", "/", "/boot/efi" }
                                << QStringList { "/", "/boot/efi", "/home" };
    QTest::newRow("mounted twice kept once")
        << QStringList { "/data", "/", "/data" } << QStringList { "/", "/data" };
    QTest::newRow("none") << QStringList {} << QStringList {};
}

void tst_Volumes::ordered()
{
    QFETCH(QStringList, mountPoints);
    QFETCH(QStringList, expected);
    QCOMPARE(Volumes::ordered(mounts(mountPoints)), mounts(expected));
}

void tst_Volumes::label_data()
{
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no name") << "/"
                             << ""
                             << "/";
    QTest::newRow("named") << "/media/usb"
                           << "BACKUP"
                           << "/media/usb [BACKUP]";
}

void tst_Volumes::label()
{
    QFETCH(QString, mountPoint);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(Volumes::label(Volume { mountPoint, name }), expected);
}

void tst_Volumes::indexHolding_data()
{
    QTest::addColumn<QStringList>("mountPoints");
    QTest::addColumn<QString>("path");
    QTest::addColumn<qsizetype>("expected");

    const QStringList machine { "/", "/home", "/mnt/a" };
    QTest::newRow("root holds the rest") << machine << "/usr/lib" << qsizetype(0);
    QTest::newRow("root itself") << machine << "/" << qsizetype(0);
    QTest::newRow("innermost mount wins") << machine << "/home/user/x" << qsizetype(1);
    QTest::newRow("the mount point itself") << machine << "/mnt/a" << qsizetype(2);
    QTest::newRow("name prefix is not a folder") << machine << "/mnt/ab" << qsizetype(0);
    QTest::newRow("trailing separators")
        << QStringList { "/mnt/a/" } << "/mnt/a/x/" << qsizetype(0);
    QTest::newRow("held by none") << QStringList { "/mnt/a", "/home" } << "/usr" << qsizetype(-1);
    QTest::newRow("no volumes") << QStringList {} << "/usr" << qsizetype(-1);
}

void tst_Volumes::indexHolding()
{
    QFETCH(QStringList, mountPoints);
    QFETCH(QString, path);
    QFETCH(qsizetype, expected);
    QCOMPARE(Volumes::indexHolding(mounts(mountPoints), path), expected);
}

void tst_Volumes::startFolder_data()
{
    QTest::addColumn<qsizetype>("index");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("expected");

    // Volumes: "/", "/home", "/mnt/a"
    QTest::newRow("current folder on the picked volume") << qsizetype(1) << "/home/u/work"
                                                         << "/home/u/work";
    QTest::newRow("current folder elsewhere") << qsizetype(2) << "/home/u"
                                              << "/mnt/a";
    QTest::newRow("root while current is on a nested mount") << qsizetype(0) << "/home/u"
                                                             << "/";
    QTest::newRow("root holding the current folder") << qsizetype(0) << "/usr"
                                                     << "/usr";
    QTest::newRow("no such volume") << qsizetype(3) << "/usr"
                                    << "";
}

void tst_Volumes::startFolder()
{
    QFETCH(qsizetype, index);
    QFETCH(QString, current);
    QFETCH(QString, expected);
    QCOMPARE(Volumes::startFolder(mounts({ "/", "/home", "/mnt/a" }), index, current), expected);
}

QTEST_GUILESS_MAIN(tst_Volumes)
#include "tst_volumes.moc"
