#include "support/ArchiveWriter.h"
#include "support/FileTree.h"
#include "support/ModalAnswer.h"
#include "ui/folders/dlgDir.h"
#include "ui/ostrel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using W = ArchiveWriter;

// Rows: 0 folder, 1 stored, 2 compressed, 3 unknown type, 4 stored in a folder no entry makes,
// 5 compressed empty-looking text. The count field is one more than the records.
W mixedArchive()
{
    return W()
        .add(W::folder("maps"))
        .add(W::stored("maps\\a.bin", QByteArray("\x00\x01\x02\xff", 4)))
        .add(W::compressed("readme.txt", QByteArray(5000, 'r')))
        .add(W::raw("odd.xyz", 3, "skip me"))
        .add(W::stored("deep\\er\\b.dat", "bee"))
        .add(W::compressed("notes\\c.txt", "see"))
        .setCountConvention(W::Count::RecordsPlusOne);
}

QMap<QString, QByteArray> tree(const QString &root)
{
    return FileTree::contents(root);
}

// What a correct export of the given rows of mixedArchive() leaves behind.
QMap<QString, QByteArray> expectedTree(const QList<int> &rows)
{
    QMap<QString, QByteArray> t;
    const auto entries = mixedArchive().entries();
    for (int row : rows) {
        const auto &e = entries[size_t(row)];
        QString name = QString::fromLatin1(e.name).replace(QLatin1Char('\\'), QLatin1Char('/'));
        for (qsizetype slash = name.indexOf(QLatin1Char('/')); slash > 0;
             slash = name.indexOf(QLatin1Char('/'), slash + 1))
            t.insert(name.left(slash) + QLatin1Char('/'), {});
        if (e.type == 1024)
            t.insert(name + QLatin1Char('/'), {});
        else if (e.type == 1 || e.type == 2)
            t.insert(name, e.content);
    }
    return t;
}

struct Shown
{
    QString text;
    bool busy = false;
    bool labelVisible = false;
    QString label;
};

} // namespace

class tst_Export : public QObject
{
    Q_OBJECT

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void init();
    void cleanup();

    void commandChecks_data();
    void commandChecks();
    void exportAllWalksTheRowsReadAndReportsTheCount();
    void exportSelectedGoesInListOrder();
    void cancelExportsNothing();
    void pathIsShownBeforeItsWriterRuns();
    void progressLabelClearsTheLongerPath();
    void endToEndWithTheRealDialogs();
    void closingTheChooserCountsAsCancel();

private:
    void openArchive(const W &writer);
    void select(const QList<int> &rows);
    QLabel *label() const { return m_window->findChild<QLabel *>(QStringLiteral("lblExtract")); }

    QTemporaryDir m_dir;
    QString m_out;
    ostrel *m_window = nullptr;
    QList<Shown> m_shown;
    // The label's text at each of its paints, and whether that path existed by then.
    QList<QPair<QString, bool>> m_painted;
    int m_chooserShown = 0;
    QString m_answer; // what the folder chooser hands to getDir
};

void tst_Export::init()
{
    m_out = m_dir.filePath(QStringLiteral("out%1").arg(QRandomGenerator::global()->generate()));
    QVERIFY(QDir().mkpath(m_out));
    m_answer = m_out;
    m_shown.clear();
    m_painted.clear();
    m_chooserShown = 0;
    m_window = new ostrel;
    label()->installEventFilter(this);
    m_window->setDirChooser([this](ostrel &w) {
        ++m_chooserShown;
        w.getDir(m_answer);
    });
    m_window->setMessageSink([this](const QString &text) {
        m_shown.append({ text, QApplication::overrideCursor() != nullptr, label()->isVisible(),
                         label()->text() });
    });
    m_window->Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

bool tst_Export::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched == label() && !label()->text().isEmpty())
        m_painted.append({ label()->text(), QFileInfo::exists(label()->text()) });
    return false;
}

void tst_Export::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void tst_Export::openArchive(const W &writer)
{
    const QString path = m_dir.filePath(QStringLiteral("a.dat"));
    QVERIFY(writer.writeTo(path));
    m_window->setFileChooser([path](QWidget *, const QString &, const QString &) { return path; });
    m_window->mnuFileOpen_Click();
}

void tst_Export::select(const QList<int> &rows)
{
    auto *list = m_window->findChild<QAbstractItemView *>(QStringLiteral("lstDat"));
    for (int row : rows) {
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualRect(index).center());
    }
}

void tst_Export::commandChecks_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("message"); // the first message shown
    QTest::addColumn<bool>("exports");

    const QString nothing = QStringLiteral("Nothing selected");
    const QString onlyOne = QStringLiteral("Can only do this with one file selected");
    QTest::newRow("Export Selected, none") << "mnuFileSave" << QList<int> {} << nothing << false;
    QTest::newRow("Export button, none") << "cmdExport" << QList<int> {} << nothing << false;
    QTest::newRow("Export Selected, two")
        << "mnuFileSave" << QList<int> { 1, 2 } << "Done extracting 2 files." << true;
    QTest::newRow("Export button, one")
        << "cmdExport" << QList<int> { 1 } << "Done extracting 1 files." << true;
    QTest::newRow("Export As, none") << "mnuFileSaveAs" << QList<int> {} << onlyOne << false;
    QTest::newRow("Export As, two") << "mnuFileSaveAs" << QList<int> { 0, 4 } << onlyOne << false;
    QTest::newRow("Export As, one")
        << "mnuFileSaveAs" << QList<int> { 4 } << "Done extracting 1 files." << true;
    QTest::newRow("Export All, none selected")
        << "mnuFileSaveAll" << QList<int> {} << "Done extracting 7 files." << true;
    QTest::newRow("Export All button")
        << "cmdExportAll" << QList<int> { 3 } << "Done extracting 7 files." << true;
}

void tst_Export::commandChecks()
{
    QFETCH(QString, command);
    QFETCH(QList<int>, selected);
    QFETCH(QString, message);
    QFETCH(bool, exports);

    openArchive(mixedArchive());
    select(selected);
    if (auto *action = m_window->findChild<QAction *>(command))
        action->trigger();
    else
        QTest::mouseClick(m_window->findChild<QPushButton *>(command), Qt::LeftButton);
    QVERIFY(!m_shown.isEmpty());
    QCOMPARE(m_shown.first().text, message);
    QCOMPARE(m_chooserShown, exports ? 1 : 0);
    if (!exports)
        QVERIFY(tree(m_out).isEmpty());
}

void tst_Export::exportAllWalksTheRowsReadAndReportsTheCount()
{
    openArchive(mixedArchive());
    m_window->mnuFileSaveAll_Click();
    // Six rows read; the count field says seven, and so does the message.
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].text, QStringLiteral("Done extracting 7 files."));
    QCOMPARE(tree(m_out), expectedTree({ 0, 1, 2, 3, 4, 5 }));
    // The message comes up over the busy pointer and the last entry's path.
    QVERIFY(m_shown[0].busy);
    QVERIFY(m_shown[0].labelVisible);
    QCOMPARE(m_shown[0].label, m_out + QStringLiteral("/notes/c.txt"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!label()->isVisible());
    QVERIFY(label()->text().isEmpty());
}

void tst_Export::exportSelectedGoesInListOrder()
{
    openArchive(mixedArchive());
    select({ 4, 1 });
    m_window->mnuFileSave_Click();
    QCOMPARE(m_window->selIndex(), (std::vector<qint32> { 1, 4 }));
    QCOMPARE(m_shown.last().text, QStringLiteral("Done extracting 2 files."));
    QCOMPARE(m_shown.last().label, m_out + QStringLiteral("/deep/er/b.dat"));
    QCOMPARE(tree(m_out), expectedTree({ 1, 4 }));
}

void tst_Export::cancelExportsNothing()
{
    openArchive(mixedArchive());
    m_answer.clear();
    for (int i = 0; i < 2; ++i) {
        m_window->mnuFileSaveAll_Click();
        QCOMPARE(m_chooserShown, i + 1);
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(label()->text().isEmpty());
    }
    QVERIFY(tree(m_out).isEmpty());
}

void tst_Export::pathIsShownBeforeItsWriterRuns()
{
    openArchive(W().add(W::stored("<b>first.txt", "1"))
                    .add(W::compressed("broken.txt", "x").withData("not zlib at all"))
                    .add(W::stored("late\\last.txt", "3")));
    m_window->mnuFileSaveAll_Click();
    // Each path is painted, as plain text, before its writer makes the file.
    const QList<QPair<QString, bool>> painted {
        { m_out + QStringLiteral("/<b>first.txt"), false },
        { m_out + QStringLiteral("/broken.txt"), false },
        { m_out + QStringLiteral("/late/last.txt"), false },
    };
    QCOMPARE(m_painted.mid(0, 3), painted);
    QCOMPARE(label()->textFormat(), Qt::PlainText);
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown[0].text, QStringLiteral("Something bad happened in C!"));
    QCOMPARE(m_shown[0].label, m_out + QStringLiteral("/broken.txt"));
    QVERIFY(m_shown[0].busy);
    // The walk went on after the failure.
    QCOMPARE(m_shown[1].text, QStringLiteral("Done extracting 3 files."));
    QCOMPARE(tree(m_out).keys(), (QStringList { "<b>first.txt", "late/", "late/last.txt" }));
}

void tst_Export::progressLabelClearsTheLongerPath()
{
    QLabel *l = label();
    l->show();
    l->setText(QStringLiteral("/a/much/longer/path/that/fills/the/label/first.txt"));
    l->repaint();
    l->setText(QStringLiteral("/a/x"));
    l->repaint();
    // Right of the short path, the label shows nothing but the window's background.
    const QPoint at = l->mapTo(m_window, QPoint(l->width() / 4, 0));
    const QImage shown
        = m_window->screen()
              ->grabWindow(m_window->winId(), at.x(), at.y(), l->width() * 3 / 4, l->height())
              .toImage();
    const QRgb background = l->palette().color(QPalette::Window).rgb();
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            QCOMPARE(shown.pixel(x, y), background);
}

void tst_Export::endToEndWithTheRealDialogs()
{
    openArchive(mixedArchive());
    m_window->setDirChooser({});
    m_window->setMessageSink({});
    m_window->activateWindow();
    select({ 4, 1 });

    const QString before = QDir::currentPath();
    QDir::setCurrent(m_out); // the folder chooser opens here
    ModalAnswer<dlgDir> chooser([](dlgDir *dialog) {
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OKButton")),
                          Qt::LeftButton);
    });
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::Information;
    int buttons = 0;
    ModalAnswer<QMessageBox> done([&](QMessageBox *box) {
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        buttons = int(box->buttons().size());
        box->accept();
    });
    m_window->mnuFileSave_Click();
    QDir::setCurrent(before);

    QVERIFY(chooser.answered());
    QVERIFY(done.answered());
    QCOMPARE(m_window->extractDir(), m_out);
    QCOMPARE(text, QStringLiteral("Done extracting 2 files."));
    QCOMPARE(caption, QStringLiteral("Quillon"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, 1);
    QCOMPARE(tree(m_out), expectedTree({ 1, 4 }));
}

void tst_Export::closingTheChooserCountsAsCancel()
{
    openArchive(mixedArchive());
    m_window->getDir(m_out); // an earlier request's folder must not be reused
    m_window->setDirChooser([](ostrel &w) {
        dlgDir dialog(&w, [&w](const QString &pathStr) { w.getDir(pathStr); });
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.close(); });
        dialog.exec();
    });
    m_window->mnuFileSaveAll_Click();
    QVERIFY(m_window->extractDir().isEmpty());
    QVERIFY(m_shown.isEmpty());
    QVERIFY(tree(m_out).isEmpty());
}

QTEST_MAIN(tst_Export)
#include "tst_export.moc"
