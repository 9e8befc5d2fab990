#include "support/SampleArchive.h"
#include "ui/folders/dlgDir.h"
#include "ui/frmAbout.h"
#include "ui/ostrel.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kMain = QStringLiteral("main window");
const QString kMainOpen = QStringLiteral("main window, archive open");
const QString kChooser = QStringLiteral("folder chooser");
const QString kAbout = QStringLiteral("About box");

// The states a user can tell from the screen or the keyboard.
QStringList shownStates(const QAccessible::State &state)
{
    QStringList names;
    if (state.invisible)
        names << QStringLiteral("invisible");
    if (state.disabled)
        names << QStringLiteral("disabled");
    if (state.readOnly)
        names << QStringLiteral("readOnly");
    if (state.focusable)
        names << QStringLiteral("focusable");
    if (state.selectable)
        names << QStringLiteral("selectable");
    if (state.multiSelectable)
        names << QStringLiteral("multiSelectable");
    if (state.selected)
        names << QStringLiteral("selected");
    if (state.defaultButton)
        names << QStringLiteral("defaultButton");
    return names;
}

QString describe(QAccessible::Role role, const QString &name, const QStringList &states)
{
    QString text;
    QDebug(&text).nospace() << role << ' ' << name << ' ' << states.join(QLatin1Char(' '));
    return text;
}

QString describe(QAccessibleInterface *node)
{
    return describe(node->role(), node->text(QAccessible::Name), shownStates(node->state()));
}

// Containers a screen reader passes through without announcing them.
bool isContainer(QAccessible::Role role)
{
    return role == QAccessible::Client || role == QAccessible::Border
        || role == QAccessible::MenuBar || role == QAccessible::Separator;
}

// Walks the tree below `node`: records every node that stands for a named object, and
// every break in the tree (a child that does not name its parent back) or visible control
// without a name.
void walk(QAccessibleInterface *node, const QString &path,
          QHash<QString, QAccessibleInterface *> &byName, QStringList &faults)
{
    QObject *object = node->object();
    if (object && !object->objectName().isEmpty())
        byName.insert(object->objectName(), node);
    if (!node->state().invisible && !isContainer(node->role())
        && node->text(QAccessible::Name).isEmpty())
        faults << path + QStringLiteral(": visible without a name");
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        const QString childPath = path + QLatin1Char('/') + QString::number(i);
        if (!child) {
            faults << childPath + QStringLiteral(": missing");
            continue;
        }
        QAccessibleInterface *parent = child->parent();
        if (!parent || parent->object() != object || parent->indexOfChild(child) != i)
            faults << childPath + QStringLiteral(": parent does not lead back");
        walk(child, childPath, byName, faults);
    }
}

} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void treeIsWholeAndNamed_data();
    void treeIsWholeAndNamed();
    void controls_data();
    void controls();
    void captionsLabelTheirControls_data();
    void captionsLabelTheirControls();
    void boxesShowTheArchive();
    void listItemsShowTheSelection();
    void progressIsAnnounced();
    void tabOrder_data();
    void tabOrder();
    void menusOpenFromTheKeyboard_data();
    void menusOpenFromTheKeyboard();

private:
    void addWindows();
    QWidget *show(const QString &window);
    QHash<QString, QAccessibleInterface *> tree(QStringList *faults = nullptr) const;
    ostrel *mainWindow() const { return qobject_cast<ostrel *>(m_window.get()); }

    QTemporaryDir m_dir;
    QString m_archive;
    std::unique_ptr<QWidget> m_window;
};

void tst_Accessibility::initTestCase()
{
    m_archive = m_dir.filePath(QStringLiteral("sample.dat"));
    QVERIFY(sampleArchive().writeTo(m_archive));
}

void tst_Accessibility::cleanup()
{
    m_window.reset();
}

QWidget *tst_Accessibility::show(const QString &window)
{
    if (window == kChooser) {
        m_window = std::make_unique<dlgDir>(nullptr, [](const QString &) {});
    } else if (window == kAbout) {
        m_window = std::make_unique<frmAbout>(nullptr);
    } else {
        auto main = std::make_unique<ostrel>();
        main->setFileChooser(
            [this](QWidget *, const QString &, const QString &) { return m_archive; });
        main->Form_Load();
        if (window == kMainOpen)
            main->mnuFileOpen_Click();
        m_window = std::move(main);
    }
    m_window->show();
    m_window->activateWindow();
    return QTest::qWaitForWindowActive(m_window.get()) ? m_window.get() : nullptr;
}

QHash<QString, QAccessibleInterface *> tst_Accessibility::tree(QStringList *faults) const
{
    QHash<QString, QAccessibleInterface *> byName;
    QStringList ignored;
    walk(QAccessible::queryAccessibleInterface(m_window.get()), m_window->objectName(), byName,
         faults ? *faults : ignored);
    return byName;
}

void tst_Accessibility::addWindows()
{
    QTest::addColumn<QString>("window");
    for (const QString &window : { kMain, kMainOpen, kChooser, kAbout })
        QTest::newRow(qPrintable(window)) << window;
}

void tst_Accessibility::treeIsWholeAndNamed_data()
{
    addWindows();
}

void tst_Accessibility::treeIsWholeAndNamed()
{
    QFETCH(QString, window);
    QVERIFY(show(window));
    QStringList faults;
    tree(&faults);
    QCOMPARE(faults, QStringList());
}

void tst_Accessibility::controls_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("states");

    using A = QAccessible;
    const QStringList none;
    const QStringList label { "readOnly" };
    const QStringList box { "disabled", "readOnly" };
    const QStringList focusable { "focusable" };
    const QStringList offButton { "disabled", "focusable" };
    const QStringList closedMenu { "invisible" };
    const QStringList closedOff { "invisible", "disabled" };

    const auto row = [](const QString &window, const char *control) -> QTestData & {
        return QTest::addRow("%s: %s", qPrintable(window), control)
            << window << QString::fromLatin1(control);
    };
    for (const QString &w : { kMain, kMainOpen }) {
        const bool open = w == kMainOpen;
        row(w, "ostrel") << A::Window << "Quillon" << none;
        row(w, "Label1") << A::StaticText << "Open Dat File :" << label;
        row(w, "txtOpened") << A::EditableText << "Opened archive" << box;
        row(w, "Label2") << A::StaticText << "Dat Contents :" << label;
        row(w, "Label3") << A::StaticText << "Entries :" << label;
        row(w, "txtEntries") << A::EditableText << "Entry count" << box;
        row(w, "lstDat") << A::List << "Entries" << focusable;
        row(w, "cmdExport") << A::Button << "Export" << (open ? focusable : offButton);
        row(w, "cmdExportAll") << A::Button << "Export All" << (open ? focusable : offButton);
        // Outside an export the progress label is hidden and empty; during one, it reads out
        // the path on screen.
        row(w, "lblExtract") << A::StaticText << "" << QStringList { "invisible", "readOnly" };
        row(w, "Packwell1") << A::Client << "" << closedMenu;
        row(w, "mnuFile") << A::PopupMenu << "File" << closedMenu;
        row(w, "mnuFileOpen") << A::MenuItem << "Open" << closedMenu;
        row(w, "mnuFileClose") << A::MenuItem << "Close" << closedMenu;
        row(w, "mnuFileSave") << A::MenuItem << "Export Selected"
                              << (open ? closedMenu : closedOff);
        row(w, "mnuFileSaveAs") << A::MenuItem << "Export Selected As..."
                                << (open ? closedMenu : closedOff);
        row(w, "mnuFileSaveAll") << A::MenuItem << "Export All" << (open ? closedMenu : closedOff);
        row(w, "mnuFileExit") << A::MenuItem << "Exit" << closedMenu;
        row(w, "mnuEdit") << A::PopupMenu << "Edit" << closedMenu;
        row(w, "mnuEditSelectAll")
            << A::MenuItem << "Select All" << (open ? closedMenu : closedOff);
        row(w, "mnuView") << A::PopupMenu << "View" << closedMenu;
        row(w, "mnuHelp") << A::PopupMenu << "Help" << closedMenu;
        row(w, "mnuHelpAbout") << A::MenuItem << "About Quillon..." << closedMenu;
    }

    row(kChooser, "dlgDir") << A::Dialog << "Choose Extract Directory" << none;
    row(kChooser, "Label1") << A::StaticText << "Select Directory to Extract to :" << label;
    row(kChooser, "Dir1") << A::Tree << "Folders" << focusable;
    row(kChooser, "Drive1") << A::ComboBox << "Drives" << focusable;
    row(kChooser, "cmdNew") << A::Button << "New Folder" << focusable;
    row(kChooser, "Label2") << A::StaticText << "WARNING:" << label;
    row(kChooser, "Label3") << A::StaticText
                            << "If there are already files of the same name in these folders "
                               "they will be overwritten!!!"
                            << label;
    // No default button: Enter acts on the focused one.
    row(kChooser, "OKButton") << A::Button << "OK" << focusable;
    row(kChooser, "CancelButton") << A::Button << "Cancel" << focusable;

    row(kAbout, "frmAbout") << A::Dialog << "About Quillon" << none;
    row(kAbout, "cmdOK") << A::Button << "OK" << QStringList { "focusable", "defaultButton" };
    row(kAbout, "lblTitle") << A::StaticText << "Quillon v 1.0" << label;
    row(kAbout, "lblVersion") << A::StaticText << "Coded by Brannoc - use at your own risk"
                              << label;
    row(kAbout, "Label1") << A::StaticText << "dev@example.com" << label;
    row(kAbout, "Label2") << A::StaticText
                          << "Please take a look at the readme file for credits and other info."
                          << label;
}

void tst_Accessibility::controls()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QStringList, states);

    QVERIFY(show(window));
    QAccessibleInterface *node = tree().value(control);
    QVERIFY2(node, qPrintable(control + QStringLiteral(" is not in the tree")));
#ifdef Q_OS_UNIX
    // On Linux Qt names a combo box by its current text and takes the caption only from a label
    // pointing at it; the accessible name serves the other platforms.
    if (role == QAccessible::ComboBox && node->text(QAccessible::Name) != name) {
        QCOMPARE(qobject_cast<QWidget *>(node->object())->accessibleName(), name);
        name = node->text(QAccessible::Value);
    }
#endif
    QCOMPARE(describe(node), describe(role, name, states));
}

void tst_Accessibility::captionsLabelTheirControls_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("control");

    QTest::newRow("path box") << kMain << "Label1"
                              << "txtOpened";
    QTest::newRow("entry list") << kMain << "Label2"
                                << "lstDat";
    QTest::newRow("count box") << kMain << "Label3"
                               << "txtEntries";
    QTest::newRow("folder list") << kChooser << "Label1"
                                 << "Dir1";
}

void tst_Accessibility::captionsLabelTheirControls()
{
    QFETCH(QString, window);
    QFETCH(QString, label);
    QFETCH(QString, control);

    QVERIFY(show(window));
    const auto byName = tree();
    QVERIFY(byName.contains(label) && byName.contains(control));
    QStringList labelled;
    for (const auto &[other, relation] : byName[label]->relations(QAccessible::Labelled))
        labelled << other->object()->objectName();
    QCOMPARE(labelled, QStringList { control });
}

void tst_Accessibility::boxesShowTheArchive()
{
    QVERIFY(show(kMainOpen));
    auto byName = tree();
    QCOMPARE(byName["txtOpened"]->text(QAccessible::Value), m_archive);
    QCOMPARE(byName["txtEntries"]->text(QAccessible::Value),
             QString::number(sampleArchive().entries().size()));
    QCOMPARE(byName["lstDat"]->childCount(), int(sampleArchive().entries().size()));

    mainWindow()->mnuFileClose_Click();
    byName = tree();
    QCOMPARE(byName["txtOpened"]->text(QAccessible::Value), QString());
    QCOMPARE(byName["txtEntries"]->text(QAccessible::Value), QString());
    QCOMPARE(byName["lstDat"]->childCount(), 0);
}

void tst_Accessibility::listItemsShowTheSelection()
{
    QVERIFY(show(kMainOpen));
    auto *list = m_window->findChild<QAbstractItemView *>(QStringLiteral("lstDat"));
    const QList<int> selected { 1, 3 };
    for (int row : selected)
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);

    // Qt tells that the list takes several items on its items: each is multi-selectable.
    QAccessibleInterface *node = tree().value(QStringLiteral("lstDat"));
    QVERIFY(node);
    QCOMPARE(node->childCount(), list->model()->rowCount());
    for (int i = 0; i < node->childCount(); ++i) {
        QStringList states { "focusable", "selectable", "multiSelectable" };
        if (selected.contains(i))
            states << QStringLiteral("selected");
        const QModelIndex item = list->model()->index(i, 0);
        QCOMPARE(describe(node->child(i)),
                 describe(QAccessible::ListItem, item.data().toString(), states));
        QCOMPARE(node->child(i)->text(QAccessible::Description),
                 item.data(Qt::ToolTipRole).toString());
    }
}

void tst_Accessibility::progressIsAnnounced()
{
    QVERIFY(show(kMainOpen));
    ostrel *window = mainWindow();
    QTemporaryDir out;
    window->setDirChooser([&out](ostrel &w) { w.getDir(out.path()); });
    auto *label = window->findChild<QLabel *>(QStringLiteral("lblExtract"));
    QString told, shown;
    window->setMessageSink([&](const QString &) {
        told = describe(QAccessible::queryAccessibleInterface(label));
        shown = label->text();
    });
    window->mnuFileSaveAll_Click();

    // The last path stays up, and is told, until the completion message is dismissed.
    QVERIFY(shown.startsWith(out.path()));
    QCOMPARE(told, describe(QAccessible::StaticText, shown, { "readOnly" }));
    // Afterwards the label is hidden and tells nothing.
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(label);
    QCOMPARE(describe(node),
             describe(QAccessible::StaticText, QString(), { "invisible", "readOnly" }));
}

void tst_Accessibility::tabOrder_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<QStringList>("focus"); // from the focus the window opens with

    QTest::newRow("main window") << kMain << false << QStringList { "lstDat", "lstDat" };
    QTest::newRow("main window, archive open")
        << kMainOpen << false << QStringList { "lstDat", "cmdExport", "cmdExportAll", "lstDat" };
    QTest::newRow("main window, archive open, Shift+Tab")
        << kMainOpen << true << QStringList { "lstDat", "cmdExportAll", "cmdExport", "lstDat" };
    QTest::newRow("folder chooser")
        << kChooser << false
        << QStringList { "OKButton", "CancelButton", "Dir1", "Drive1", "cmdNew", "OKButton" };
    QTest::newRow("About box") << kAbout << false << QStringList { "cmdOK", "cmdOK" };
}

void tst_Accessibility::tabOrder()
{
    QFETCH(QString, window);
    QFETCH(bool, backwards);
    QFETCH(QStringList, focus);

    QVERIFY(show(window));
    QStringList visited;
    for (qsizetype i = 0; i < focus.size(); ++i) {
        QWidget *current = QApplication::focusWidget();
        QVERIFY2(current, "nothing has the focus");
        visited << current->objectName();
        QTest::keyClick(current, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
    }
    QCOMPARE(visited, focus);
}

void tst_Accessibility::menusOpenFromTheKeyboard_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("menu");

    QTest::newRow("Alt+F") << Qt::Key_F << "mnuFile";
    QTest::newRow("Alt+E") << Qt::Key_E << "mnuEdit";
    QTest::newRow("Alt+V") << Qt::Key_V << "mnuView";
    QTest::newRow("Alt+H") << Qt::Key_H << "mnuHelp";
}

void tst_Accessibility::menusOpenFromTheKeyboard()
{
    QFETCH(Qt::Key, key);
    QFETCH(QString, menu);

    QVERIFY(show(kMain));
    QTest::keyClick(m_window.get(), key, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QCOMPARE(QApplication::activePopupWidget()->objectName(), menu);
    QAccessibleInterface *node
        = QAccessible::queryAccessibleInterface(QApplication::activePopupWidget());
    QVERIFY(!node->state().invisible);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
