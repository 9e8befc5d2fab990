#include "support/ModalAnswer.h"
#include "ui/common/Twips.h"
#include "ui/frmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

QIcon testIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkMagenta);
    return QIcon(pixmap);
}

} // namespace

class tst_frmAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void elements_data();
    void elements();
    void window();
    void sameEachTime();
    void closing_data();
    void closing();
};

void tst_frmAbout::elements_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("text");

    QTest::newRow("cmdOK") << "cmdOK" << twipsRect(1560, 120, 1260, 345) << "OK";
    QTest::newRow("lblTitle") << "lblTitle" << twipsRect(90, 120, 1365, 480) << "Quillon v 1.0";
    QTest::newRow("lblVersion") << "lblVersion" << twipsRect(90, 660, 2805, 225)
                                << "Coded by Brannoc - use at your own risk";
    QTest::newRow("Label1") << "Label1" << twipsRect(720, 960, 1455, 255) << "dev@example.com";
    QTest::newRow("Label2") << "Label2" << twipsRect(120, 1320, 2775, 495)
                            << "Please take a look at the readme file for credits and other info.";
}

void tst_frmAbout::elements()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    QFETCH(QString, text);

    QWidget mainWindow;
    frmAbout about(&mainWindow);
    auto *widget = about.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), rect);
    if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QCOMPARE(button->text(), text);
        QVERIFY(button->isDefault());
    } else {
        auto *label = qobject_cast<QLabel *>(widget);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QVERIFY(label->wordWrap());
        // Plain static text: no markup, no links, nothing to select.
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->textInteractionFlags(), Qt::NoTextInteraction);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }
}

void tst_frmAbout::window()
{
    QWidget mainWindow;
    mainWindow.setWindowIcon(testIcon());
    frmAbout about(&mainWindow);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    QCOMPARE(about.windowTitle(), QStringLiteral("About Quillon"));
    const QPoint screen = QGuiApplication::primaryScreen()->geometry().topLeft();
    QCOMPARE(about.geometry(), QRect(screen + QPoint(156, 129), QSize(200, 120)));
    QCOMPARE(about.minimumSize(), QSize(200, 120));
    QCOMPARE(about.maximumSize(), QSize(200, 120));
    const Qt::WindowFlags flags = about.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(about.focusWidget(), about.findChild<QWidget *>("cmdOK"));
}

void tst_frmAbout::sameEachTime()
{
    QWidget mainWindow;
    mainWindow.setWindowIcon(testIcon());
    for (int showing = 0; showing < 2; ++showing) {
        frmAbout about(&mainWindow);
        QCOMPARE(about.windowIcon().cacheKey(), mainWindow.windowIcon().cacheKey());
        QString title;
        ModalAnswer<frmAbout> close([&title](frmAbout *box) {
            title = box->findChild<QLabel *>("lblTitle")->text();
            box->findChild<QPushButton *>("cmdOK")->click();
        });
        about.exec();
        QVERIFY(close.answered());
        QCOMPARE(title, QStringLiteral("Quillon v 1.0"));
    }
}

void tst_frmAbout::closing_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("OK") << "ok";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("Esc") << "escape";
    QTest::newRow("close box") << "close";
}

void tst_frmAbout::closing()
{
    QFETCH(QString, how);

    QWidget mainWindow;
    frmAbout about(&mainWindow);
    ModalAnswer<frmAbout> close([how](frmAbout *box) {
        QWidget *focus = box->focusWidget();
        if (how == u"ok")
            QTest::mouseClick(box->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
        else if (how == u"enter")
            QTest::keyClick(focus, Qt::Key_Return);
        else if (how == u"escape")
            QTest::keyClick(focus, Qt::Key_Escape);
        else
            box->close();
    });
    about.exec();
    QVERIFY(close.answered());
    QVERIFY(!about.isVisible());
}

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
