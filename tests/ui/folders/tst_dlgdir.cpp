#include "support/FileTree.h"
#include "support/ModalAnswer.h"
#include "ui/common/Twips.h"
#include "ui/folders/DirListBox.h"
#include "ui/folders/DriveListBox.h"
#include "ui/folders/dlgDir.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QIcon testIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkCyan);
    return QIcon(pixmap);
}

// A dialog as the main window shows it, recording every getDir call.
struct Chooser
{
    QWidget mainWindow;
    QStringList handedOver;
    std::unique_ptr<dlgDir> dialog;

    Chooser()
    {
        mainWindow.setWindowIcon(testIcon());
        dialog = std::make_unique<dlgDir>(&mainWindow,
                                          [this](const QString &path) { handedOver << path; });
    }

    DirListBox *dir1() const { return dialog->findChild<DirListBox *>("Dir1"); }
    DriveListBox *drive1() const { return dialog->findChild<DriveListBox *>("Drive1"); }
    QPushButton *button(const char *name) const { return dialog->findChild<QPushButton *>(name); }

    bool showAndWait() const
    {
        dialog->show();
        return QTest::qWaitForWindowExposed(dialog.get());
    }
};

// Restores the process's current folder when a test changed it.
struct CurrentFolderGuard
{
    QString saved = QDir::currentPath();
    ~CurrentFolderGuard() { QDir::setCurrent(saved); }
};

QStringList tree(const QString &root)
{
    return FileTree::list(root, FileTree::Plain);
}

QString under(const QTemporaryDir &tmp, const QString &relative)
{
    return relative.isEmpty() ? QDir::cleanPath(tmp.path())
                              : QDir::cleanPath(tmp.filePath(relative));
}

QTreeWidgetItem *itemNamed(DirListBox *list, const QString &name)
{
    return list->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
}

} // namespace

class tst_dlgDir : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
    void window();
    void focusAndTabOrder();
    void startsAtCurrentFolder();
    void closing_data();
    void closing();
    void listShowsChainThenSubFolders();
    void navigation_data();
    void navigation();
    void newFolder_data();
    void newFolder();
    void realVolumes();
    void driveChange_data();
    void driveChange();
    void driveListFollowsFolderList();
};

void tst_dlgDir::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("text");

    QTest::newRow("Label1") << "Label1" << twipsRect(120, 120, 2295, 255)
                            << "Select Directory to Extract to :";
    QTest::newRow("Dir1") << "Dir1" << twipsRect(120, 360, 2895, 2340) << "";
    QTest::newRow("Drive1") << "Drive1" << twipsRect(240, 2760, 2655, 315) << "";
    QTest::newRow("cmdNew") << "cmdNew" << twipsRect(3120, 360, 975, 375) << "New Folder";
    QTest::newRow("Label2") << "Label2" << twipsRect(3120, 840, 1695, 255) << "WARNING:";
    QTest::newRow("Label3") << "Label3" << twipsRect(3120, 1200, 1575, 855)
                            << "If there are already files of the same name in these folders "
                               "they will be overwritten!!!";
    QTest::newRow("OKButton") << "OKButton" << twipsRect(3720, 2160, 975, 375) << "OK";
    QTest::newRow("CancelButton") << "CancelButton" << twipsRect(3720, 2640, 975, 375) << "Cancel";
}

void tst_dlgDir::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    QFETCH(QString, text);

    Chooser chooser;
    QVERIFY(chooser.showAndWait());
    auto *widget = chooser.dialog->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), chooser.dialog.get());
    QCOMPARE(widget->geometry(), rect);
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->wordWrap(), name == u"Label3");
    } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QCOMPARE(button->text(), text);
        QVERIFY(!button->isDefault());
    }
}

void tst_dlgDir::window()
{
    Chooser chooser;
    dlgDir &dialog = *chooser.dialog;
    QVERIFY(chooser.showAndWait());

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose Extract Directory"));
    const QSize client(twips(4785), twips(3195));
    QCOMPARE(dialog.size(), client);
    QCOMPARE(dialog.minimumSize(), client);
    QCOMPARE(dialog.maximumSize(), client);
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(dialog.windowIcon().cacheKey(), chooser.mainWindow.windowIcon().cacheKey());
    QCOMPARE(dialog.extractDir, QString());
    QVERIFY(chooser.handedOver.isEmpty());
}

void tst_dlgDir::focusAndTabOrder()
{
    Chooser chooser;
    QVERIFY(chooser.showAndWait());
    chooser.dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(chooser.dialog.get()));

    QStringList visited { QApplication::focusWidget()->objectName() };
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited,
             (QStringList { "OKButton", "CancelButton", "Dir1", "Drive1", "cmdNew", "OKButton" }));
}

void tst_dlgDir::startsAtCurrentFolder()
{
    const QString current = QDir::currentPath();
    Chooser chooser;
    QCOMPARE(chooser.dir1()->path(), current);

    ModalAnswer<dlgDir> pressOk(
        [](dlgDir *dialog) { dialog->findChild<QPushButton *>("OKButton")->click(); });
    QCOMPARE(chooser.dialog->exec(), int(QDialog::Accepted));
    QVERIFY(pressOk.answered());
    QCOMPARE(chooser.handedOver, QStringList { current });
    QCOMPARE(chooser.dialog->extractDir, current);
}

void tst_dlgDir::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("chosen"); // true: the open folder is handed over, else ""

    QTest::newRow("OK") << "ok" << true;
    QTest::newRow("Enter on the focused OK") << "enter" << true;
    QTest::newRow("keypad Enter on the focused OK") << "keypad enter" << true;
    QTest::newRow("keypad Enter on the focused Cancel") << "keypad enter on Cancel" << false;
    QTest::newRow("Cancel") << "cancel" << false;
    QTest::newRow("Esc") << "escape" << false;
    QTest::newRow("frame's close button") << "close" << false;
}

void tst_dlgDir::closing()
{
    QFETCH(QString, how);
    QFETCH(bool, chosen);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    Chooser chooser;
    // Away from the start, so a close that forgot to report would leave no trace of it.
    QVERIFY(chooser.dir1()->setPath(tmp.path()));

    ModalAnswer<dlgDir> close([how](dlgDir *dialog) {
        QWidget *focus = dialog->focusWidget();
        if (how == u"ok")
            dialog->findChild<QPushButton *>("OKButton")->click();
        else if (how == u"cancel")
            dialog->findChild<QPushButton *>("CancelButton")->click();
        else if (how == u"enter")
            QTest::keyClick(focus, Qt::Key_Return);
        else if (how == u"keypad enter")
            QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
        else if (how == u"keypad enter on Cancel") {
            auto *cancel = dialog->findChild<QPushButton *>("CancelButton");
            cancel->setFocus();
            QTest::keyClick(cancel, Qt::Key_Enter, Qt::KeypadModifier);
        } else if (how == u"escape")
            QTest::keyClick(focus, Qt::Key_Escape);
        else
            dialog->close();
    });
    const int result = chooser.dialog->exec();
    QVERIFY(close.answered());
    QCOMPARE(result, int(chosen ? QDialog::Accepted : QDialog::Rejected));
    const QString expected = chosen ? under(tmp, "") : QString();
    QCOMPARE(chooser.handedOver, QStringList { expected });
    QCOMPARE(chooser.dialog->extractDir, expected);

    // Reported once per showing, however it is closed afterwards.
    chooser.dialog->close();
    chooser.dialog->reject();
    QCOMPARE(chooser.handedOver.size(), 1);
}

void tst_dlgDir::listShowsChainThenSubFolders()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QDir dir(tmp.path());
    for (const char *name : { "b", "a", "C", ".hidden" })
        QVERIFY(dir.mkdir(QString::fromLatin1(name)));
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    Chooser chooser;
    DirListBox *list = chooser.dir1();
    QVERIFY(list->setPath(tmp.path() + "/a/.."));
    QCOMPARE(list->path(), under(tmp, ""));

    // The chain, one level deeper each step, every link opened.
    QStringList expectedChain { "/" };
    expectedChain << QDir::cleanPath(tmp.path()).split(u'/', Qt::SkipEmptyParts);
    QCOMPARE(list->topLevelItemCount(), 1);
    QTreeWidgetItem *openItem = list->topLevelItem(0);
    for (qsizetype depth = 0; depth < expectedChain.size(); ++depth) {
        QCOMPARE(openItem->text(0), expectedChain.at(depth));
        QVERIFY(openItem->isExpanded());
        if (depth + 1 < expectedChain.size()) {
            QCOMPARE(openItem->childCount(), 1);
            openItem = openItem->child(0);
        }
    }

    QStringList children;
    for (int i = 0; i < openItem->childCount(); ++i)
        children << openItem->child(i)->text(0);
    QCOMPARE(children, (QStringList { "a", "b", "C" }));
    QCOMPARE(list->currentItem(), openItem);

    // Twelve levels further down every name still fits its column: the list scrolls sideways
    // rather than cutting names short.
    const QString deep = tmp.path() + QStringLiteral("/a")
        + QStringLiteral("/folder-with-a-long-name").repeated(12);
    QVERIFY(QDir().mkpath(deep));
    QVERIFY(chooser.showAndWait());
    QVERIFY(list->setPath(deep));
    QVERIFY(list->indentation() < 10);
    const int icon = list->style()->pixelMetric(QStyle::PM_SmallIconSize);
    for (QTreeWidgetItem *item = list->topLevelItem(0); item; item = item->child(0)) {
        QVERIFY2(list->visualItemRect(item).width()
                     >= icon + list->fontMetrics().horizontalAdvance(item->text(0)),
                 qPrintable(item->text(0)));
    }
    QTRY_VERIFY(list->horizontalScrollBar()->maximum() > 0);
    // The open folder is in view, not scrolled off to the right.
    const QRect open = list->visualItemRect(list->currentItem());
    QVERIFY(open.left() >= 0 && open.left() < list->viewport()->width() / 2);
}

void tst_dlgDir::navigation_data()
{
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("chosen"); // relative to the temporary folder

    // Folders: a, b, b/sub. "<top>" is the temporary folder's own item in the chain.
    QTest::newRow("OK at once") << QStringList {} << "";
    QTest::newRow("double-click opens") << QStringList { "dclick b" } << "b";
    QTest::newRow("two levels down") << QStringList { "dclick b", "dclick sub" } << "b/sub";
    QTest::newRow("single click only highlights") << QStringList { "click a" } << "";
    QTest::newRow("highlight after opening") << QStringList { "dclick b", "click sub" } << "b";
    QTest::newRow("Enter opens the highlighted") << QStringList { "click a", "enter" } << "a";
    QTest::newRow("keypad Enter opens the highlighted")
        << QStringList { "click a", "keypad" } << "a";
    QTest::newRow("up through the chain") << QStringList { "dclick b", "dclick <top>" } << "";
    QTest::newRow("removed before opening") << QStringList { "rm b", "dclick b" } << "";
    QTest::newRow("open folder removed, then up")
        << QStringList { "dclick b", "rm b", "dclick <top>" } << "";
}

void tst_dlgDir::navigation()
{
    QFETCH(QStringList, actions);
    QFETCH(QString, chosen);

    const QString current = QDir::currentPath();
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(QDir(tmp.path()).mkpath("a"));
    QVERIFY(QDir(tmp.path()).mkpath("b/sub"));

    Chooser chooser;
    DirListBox *list = chooser.dir1();
    QVERIFY(list->setPath(tmp.path()));
    QVERIFY(chooser.showAndWait());

    for (const QString &action : actions) {
        const QString verb = action.section(u' ', 0, 0);
        QString name = action.section(u' ', 1);
        if (name == u"<top>")
            name = QFileInfo(tmp.path()).fileName();
        if (verb == u"rm") {
            QVERIFY(QDir(tmp.filePath(name)).removeRecursively());
            continue;
        }
        if (verb == u"enter" || verb == u"keypad") {
            QTest::keyClick(list, verb == u"enter" ? Qt::Key_Return : Qt::Key_Enter,
                            verb == u"enter" ? Qt::NoModifier : Qt::KeypadModifier);
            continue;
        }
        QTreeWidgetItem *item = itemNamed(list, name);
        QVERIFY2(item, qPrintable(action));
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        if (verb == u"dclick")
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        else
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // Nothing is reported, and the dialog stays, until OK.
    QVERIFY(chooser.handedOver.isEmpty());
    QVERIFY(chooser.dialog->isVisible());
    QCOMPARE(list->path(), under(tmp, chosen));
    chooser.button("OKButton")->click();
    QCOMPARE(chooser.handedOver, QStringList { under(tmp, chosen) });
    QCOMPARE(QDir::currentPath(), current);
}

void tst_dlgDir::newFolder_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("removeOpen");
    QTest::addColumn<QString>("created"); // relative; empty when nothing may be created

    // The open folder is "data", which holds the folder "a".
    QTest::newRow("name") << "out" << true << false << "data/out";
    QTest::newRow("name used as typed") << " out " << true << false << "data/ out ";
    QTest::newRow("empty answer") << "" << true << false << "";
    QTest::newRow("prompt cancelled") << "out" << false << false << "";
    QTest::newRow("folder exists") << "a" << true << false << "";
    QTest::newRow("separator in the name") << "a/b" << true << false << "";
    QTest::newRow("open folder gone") << "out" << true << true << "";
}

void tst_dlgDir::newFolder()
{
    QFETCH(QString, answer);
    QFETCH(bool, accept);
    QFETCH(bool, removeOpen);
    QFETCH(QString, created);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(QDir(tmp.path()).mkpath("data/a"));
    const QString open = under(tmp, "data");

    Chooser chooser;
    QVERIFY(chooser.dir1()->setPath(open));
    if (removeOpen)
        QVERIFY(QDir(open).removeRecursively());
    const QStringList before = tree(tmp.path());

    QString title, prompt, initial;
    ModalAnswer<QInputDialog> reply([&](QInputDialog *input) {
        title = input->windowTitle();
        prompt = input->labelText();
        initial = input->textValue();
        input->setTextValue(answer);
        if (accept)
            input->accept();
        else
            input->reject();
    });
    chooser.button("cmdNew")->click();
    QVERIFY(reply.answered());
    QCOMPARE(title, QStringLiteral("New Folder"));
    QCOMPARE(prompt, QStringLiteral("Enter Name for New Folder :"));
    QCOMPARE(initial, QString());

    QStringList expectedTree = before;
    if (!created.isEmpty()) {
        expectedTree << created;
        expectedTree.sort();
    }
    QCOMPARE(tree(tmp.path()), expectedTree);
    const QString expectedOpen = created.isEmpty() ? open : under(tmp, created);
    QCOMPARE(chooser.dir1()->path(), expectedOpen);

    chooser.button("OKButton")->click();
    QCOMPARE(chooser.handedOver, QStringList { expectedOpen });
}

void tst_dlgDir::realVolumes()
{
    Chooser chooser;
    DriveListBox *drives = chooser.drive1();
    const QList<Volume> volumes = drives->volumes();
    QCOMPARE(drives->count(), volumes.size());
    for (qsizetype i = 0; i < volumes.size(); ++i)
        QCOMPARE(drives->itemText(int(i)), Volumes::label(volumes.at(i)));
    if (const qsizetype root = volumes.indexOf(Volume { "/", QString() }); root >= 0)
        QCOMPARE(root, 0);
    const qsizetype holding = Volumes::indexHolding(volumes, QDir::currentPath());
    if (holding >= 0)
        QCOMPARE(drives->currentIndex(), int(holding));
}

void tst_dlgDir::driveChange_data()
{
    QTest::addColumn<QList<int>>("picks");
    QTest::addColumn<QString>("open"); // relative to the temporary folder
    QTest::addColumn<int>("drive");

    // Volumes: 0 "vol-a", 1 "vol-b" (holds the current folder "vol-b/work"), 2 missing.
    QTest::newRow("no pick") << QList<int> {} << "vol-b/work" << 1;
    QTest::newRow("another volume opens its root") << QList<int> { 0 } << "vol-a" << 0;
    QTest::newRow("back to the current folder") << QList<int> { 0, 1 } << "vol-b/work" << 1;
    QTest::newRow("unreadable volume leaves the list") << QList<int> { 0, 2 } << "vol-a" << 0;
    QTest::newRow("unreadable at the start") << QList<int> { 2 } << "vol-b/work" << 1;
}

void tst_dlgDir::driveChange()
{
    QFETCH(QList<int>, picks);
    QFETCH(QString, open);
    QFETCH(int, drive);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(QDir(tmp.path()).mkpath("vol-a/sub"));
    QVERIFY(QDir(tmp.path()).mkpath("vol-b/work"));
    const CurrentFolderGuard guard;
    QVERIFY(QDir::setCurrent(tmp.filePath("vol-b/work")));

    Chooser chooser;
    DriveListBox *drives = chooser.drive1();
    drives->setVolumes({ Volume { under(tmp, "vol-a"), QString() },
                         Volume { under(tmp, "vol-b"), QStringLiteral("B") },
                         Volume { under(tmp, "vol-c"), QString() } });
    QCOMPARE(drives->itemText(1), under(tmp, "vol-b") + " [B]");
    QCOMPARE(drives->currentIndex(), 1);

    for (int pick : picks)
        drives->setCurrentIndex(pick);

    QCOMPARE(chooser.dir1()->path(), under(tmp, open));
    QCOMPARE(drives->currentIndex(), drive);
    QVERIFY(chooser.handedOver.isEmpty());
    chooser.button("OKButton")->click();
    QCOMPARE(chooser.handedOver, QStringList { under(tmp, open) });
    QCOMPARE(QDir::currentPath(), under(tmp, "vol-b/work"));
}

void tst_dlgDir::driveListFollowsFolderList()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(QDir(tmp.path()).mkpath("vol-a/sub"));
    QVERIFY(QDir(tmp.path()).mkpath("vol-b"));

    Chooser chooser;
    DriveListBox *drives = chooser.drive1();
    drives->setVolumes(
        { Volume { under(tmp, "vol-a"), QString() }, Volume { under(tmp, "vol-b"), QString() } });
    QSignalSpy picked(drives, &DriveListBox::driveChanged);

    QVERIFY(chooser.dir1()->setPath(tmp.filePath("vol-b")));
    QCOMPARE(drives->currentIndex(), 1);
    QVERIFY(chooser.dir1()->setPath(tmp.filePath("vol-a/sub")));
    QCOMPARE(drives->currentIndex(), 0);
    // A folder on no listed volume leaves the drive list as it is.
    QVERIFY(chooser.dir1()->setPath(tmp.path()));
    QCOMPARE(drives->currentIndex(), 0);
    QCOMPARE(picked.count(), 0);
    QCOMPARE(chooser.dir1()->path(), under(tmp, ""));
}

QTEST_MAIN(tst_dlgDir)
#include "tst_dlgdir.moc"
