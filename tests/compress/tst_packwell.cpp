#include "compress/Packwell.h"
#include "compress/PackwellTestSupport.h"
#include "compress/Windows1252.h"
#include "support/ModalAnswer.h"
#include "ui/common/Twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>

namespace {

enum class MemberKind { Method, PropertyGet, PropertySet };

// The component's interface as its documentation gives it, in the order of its slots, with the
// signature each member has in the meta-object and the names of its parameters.
struct DocumentedMember
{
    const char *member;
    MemberKind kind;
    qint32 dispatchId;
    const char *description;
    const char *signature;
    QMetaType::Type result;
    QList<QByteArray> parameters;
};

const QList<DocumentedMember> &documentedInterface()
{
    static const QList<DocumentedMember> members {
        { "About", MemberKind::Method, -552, nullptr, "About()", QMetaType::Short, {} },
        { "CompressData",
          MemberKind::Method,
          0x60030002,
          "Compress a byte array or raw binary data.",
          "CompressData(QByteArray&)",
          QMetaType::Int,
          { "TheData" } },
        { "CompressString",
          MemberKind::Method,
          0x60030003,
          "Compresses a string. String may contain Null characters.",
          "CompressString(QString&)",
          QMetaType::Int,
          { "TheString" } },
        { "DecompressData",
          MemberKind::Method,
          0x60030004,
          "Decompresses a compressed byte array or raw binary data.",
          "DecompressData(QByteArray&,qint32)",
          QMetaType::Int,
          { "TheData", "OrigSize" } },
        { "DecompressString",
          MemberKind::Method,
          0x60030005,
          "Decompresses a compressed string. String may contain Null characters.",
          "DecompressString(QString&,qint32)",
          QMetaType::Int,
          { "TheString", "OrigSize" } },
        { "CompressedSize",
          MemberKind::PropertyGet,
          0x68030001,
          "Determine compressed size of last compressed data or string.",
          nullptr,
          QMetaType::Int,
          {} },
        { "CompressedSize",
          MemberKind::PropertySet,
          0x68030001,
          nullptr,
          nullptr,
          QMetaType::Void,
          { "New_CompressedSize" } },
        { "OriginalSize",
          MemberKind::PropertyGet,
          0x68030000,
          "Determines the original size of the last compressed data or string.",
          nullptr,
          QMetaType::Int,
          {} },
        { "OriginalSize",
          MemberKind::PropertySet,
          0x68030000,
          nullptr,
          nullptr,
          QMetaType::Void,
          { "New_OriginalSize" } },
    };
    return members;
}

QByteArray classInfo(const QMetaObject &meta, const QByteArray &name)
{
    const int index = meta.indexOfClassInfo(name.constData());
    return index < 0 ? QByteArray() : QByteArray(meta.classInfo(index).value());
}

// How a host that knows only dispatch IDs finds the member to call.
QByteArray memberForDispatchId(const QMetaObject &meta, qint32 dispatchId)
{
    for (int i = meta.classInfoOffset(); i < meta.classInfoCount(); ++i) {
        const QByteArray name = meta.classInfo(i).name();
        bool ok = false;
        if (name.startsWith("DispId:")
            && QByteArray(meta.classInfo(i).value()).toInt(&ok, 0) == dispatchId && ok)
            return name.mid(7);
    }
    return {};
}

} // namespace

class tst_Packwell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void face();
    void resizeRule_data();
    void resizeRule();
    void defaultHostIsUserMode();
    void membersForwardToCore();
    void hostNotifications();
    void about_data();
    void about();
    void typeInformation();
    void callByDispatchId();
    void hostedAsOnMainWindow();
};

void tst_Packwell::face()
{
    const QImage image = Packwell::faceImage();
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QCOMPARE(image.colorCount(), 16);

    Packwell packwell;
    auto *image1 = packwell.findChild<QLabel *>(QStringLiteral("Image1"));
    QVERIFY(image1);
    QCOMPARE(image1->geometry(), QRect(0, 0, 32, 32));
    const QImage shown = image1->pixmap().toImage();
    QCOMPARE(shown.size(), image.size());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            QCOMPARE(shown.pixel(x, y), image.pixel(x, y));
    }
}

void tst_Packwell::resizeRule_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("none") << "none";
    QTest::newRow("resize larger") << "resize larger";
    QTest::newRow("resize smaller") << "resize smaller";
    QTest::newRow("resize to nothing") << "resize to nothing";
    QTest::newRow("geometry") << "geometry";
    QTest::newRow("layout") << "layout";
    QTest::newRow("larger minimum while shown") << "larger minimum while shown";
    QTest::newRow("larger minimum while hidden, then shown")
        << "larger minimum while hidden, then shown";
    QTest::newRow("smaller maximum, then Resize") << "smaller maximum, then Resize";
}

void tst_Packwell::resizeRule()
{
    QFETCH(QString, how);
    QWidget window;
    window.resize(400, 300);
    auto *packwell = new Packwell(&window);
    if (how == QLatin1String("layout")) {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(packwell);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    if (how == QLatin1String("resize larger"))
        packwell->resize(100, 80);
    else if (how == QLatin1String("resize smaller"))
        packwell->resize(1, 1);
    else if (how == QLatin1String("resize to nothing"))
        packwell->resize(0, 0);
    else if (how == QLatin1String("geometry"))
        packwell->setGeometry(5, 7, 300, 200);
    else if (how == QLatin1String("layout"))
        window.resize(640, 480);
    else if (how == QLatin1String("larger minimum while shown"))
        packwell->setMinimumSize(64, 64);
    else if (how == QLatin1String("larger minimum while hidden, then shown")) {
        packwell->hide();
        packwell->setMinimumSize(64, 64);
        packwell->show();
    } else if (how == QLatin1String("smaller maximum, then Resize")) {
        packwell->setMaximumSize(10, 10);
        packwell->Resize();
    }
    QCoreApplication::processEvents();

    QCOMPARE(packwell->size(), QSize(32, 32));
    QCOMPARE(packwell->size(), QSize(twips(480), twips(480)));
    if (how == QLatin1String("geometry"))
        QCOMPARE(packwell->pos(), QPoint(5, 7));
    QCOMPARE(packwell->findChild<QLabel *>(QStringLiteral("Image1"))->geometry(),
             QRect(0, 0, 32, 32));
}

void tst_Packwell::defaultHostIsUserMode()
{
    Packwell packwell;
    QVERIFY(packwell.host().userMode());
    QVERIFY(&packwell.core().host() == &PackwellHost::application());
    QSignalSpy spy(&packwell, &Packwell::propertyChanged);

    QByteArray data = QByteArray(100, 'x');
    QCOMPARE(packwell.CompressData(data), Z_OK);
    QCOMPARE(packwell.OriginalSize(), 100);
    QCOMPARE(packwell.CompressedSize(), data.size());
    QCOMPARE(notices(spy), (QStringList { "OriginalSize", "CompressedSize" }));
}

void tst_Packwell::membersForwardToCore()
{
    const ModeHost design(false);
    const ModeHost running(true);
    Packwell packwell(design);
    QSignalSpy spy(&packwell, &Packwell::propertyChanged);

    packwell.setCompressedSize(3);
    QVERIFY(packwell.setProperty("OriginalSize", 4));
    QCOMPARE(packwell.CompressedSize(), 0);
    QCOMPARE(packwell.OriginalSize(), 0);
    QVERIFY(spy.isEmpty());

    packwell.setHost(running);
    QVERIFY(&packwell.host() == &running);
    packwell.setCompressedSize(3);
    QVERIFY(packwell.setProperty("OriginalSize", 4));
    QCOMPARE(packwell.core().CompressedSize(), 3);
    QCOMPARE(packwell.core().OriginalSize(), 4);
    QCOMPARE(packwell.property("CompressedSize").toInt(), 3);
    QCOMPARE(notices(spy), (QStringList { "CompressedSize", "OriginalSize" }));

    const QString original = QString::fromUtf16(u"x\0y\0", 4);
    QString text = original;
    QCOMPARE(packwell.CompressString(text), Z_OK);
    QCOMPARE(packwell.core().OriginalSize(), 4);
    QCOMPARE(packwell.core().CompressedSize(), text.size());
    QCOMPARE(packwell.DecompressString(text, 4), Z_OK);
    QCOMPARE(text, original);

    QByteArray data("abc\0", 4);
    QCOMPARE(packwell.CompressData(data), Z_OK);
    QCOMPARE(packwell.DecompressData(data, 4), Z_OK);
    QCOMPARE(data, QByteArray("abc\0", 4));
    QCOMPARE(packwell.core().OriginalSize(), 0);
    QCOMPARE(packwell.core().CompressedSize(), 0);

    QByteArray empty;
    QVERIFY_THROWS_EXCEPTION(PackwellError, packwell.DecompressData(empty, 10));
}

void tst_Packwell::hostNotifications()
{
    Packwell packwell;
    PackwellNotifications &notifications = packwell;
    packwell.setOriginalSize(7);
    packwell.setCompressedSize(8);
    QSignalSpy spy(&packwell, &Packwell::propertyChanged);

    notifications.ReadProperties();
    notifications.WriteProperties();
    QCOMPARE(packwell.OriginalSize(), 7);
    QCOMPARE(packwell.CompressedSize(), 8);

    notifications.InitProperties();
    QCOMPARE(packwell.OriginalSize(), 0);
    QCOMPARE(packwell.CompressedSize(), 0);
    QVERIFY(spy.isEmpty());

    packwell.resize(50, 50);
    notifications.Resize();
    QCOMPARE(packwell.size(), QSize(32, 32));
}

void tst_Packwell::about_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("OK clicked") << "OK clicked";
    QTest::newRow("Esc") << "Esc";
    QTest::newRow("Enter") << "Enter";
    QTest::newRow("window closed") << "window closed";
    QTest::newRow("rejected") << "rejected";
}

void tst_Packwell::about()
{
    QFETCH(QString, how);
    Packwell packwell;
    QString title, text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    qsizetype buttonCount = 0;
    Qt::WindowModality modality = Qt::NonModal;
    ModalAnswer<QMessageBox> answer([&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        format = box->textFormat();
        icon = box->icon();
        buttons = box->standardButtons();
        buttonCount = box->buttons().size();
        modality = box->windowModality();
        if (how == QLatin1String("OK clicked"))
            box->button(QMessageBox::Ok)->click();
        else if (how == QLatin1String("Esc"))
            QTest::keyClick(box, Qt::Key_Escape);
        else if (how == QLatin1String("Enter"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (how == QLatin1String("window closed"))
            box->close();
        else
            box->reject();
    });

    QCOMPARE(packwell.About(), qint16(0));

    QVERIFY(answer.answered());
    QCOMPARE(title, QStringLiteral("Orvane - Packwell ActiveX Control"));
    QCOMPARE(text,
             QStringLiteral("Packwell\n\nData compression ActiveX component module.\n\nCustom "
                            "control written and compiled by Tamsel. Portions written by other "
                            "external 'zLib' compression software library authors.\n\nSpecial "
                            "thanks and honor to the authors of the zLib DLL."));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(buttonCount, 1);
    QCOMPARE(modality, Qt::ApplicationModal);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_Packwell::typeInformation()
{
    const QMetaObject &meta = Packwell::staticMetaObject;
    for (const DocumentedMember &expected : documentedInterface()) {
        const QByteArray member = expected.member;
        bool ok = false;
        QCOMPARE(classInfo(meta, "DispId:" + member).toInt(&ok, 0), expected.dispatchId);
        QVERIFY(ok);
        if (expected.description)
            QCOMPARE(classInfo(meta, "Description:" + member), QByteArray(expected.description));
        else if (expected.kind == MemberKind::Method)
            QCOMPARE(classInfo(meta, "Description:" + member), QByteArray());

        if (expected.kind == MemberKind::Method) {
            const int index = meta.indexOfMethod(expected.signature);
            QVERIFY2(index >= 0, expected.signature);
            const QMetaMethod method = meta.method(index);
            QCOMPARE(method.methodType(), QMetaMethod::Method);
            QCOMPARE(method.access(), QMetaMethod::Public);
            QCOMPARE(method.returnType(), int(expected.result));
            QCOMPARE(method.parameterNames(), expected.parameters);
        } else {
            const QMetaProperty property = meta.property(meta.indexOfProperty(expected.member));
            QVERIFY(property.isValid());
            QCOMPARE(property.typeId(), int(QMetaType::Int));
            QVERIFY(property.isReadable());
            QVERIFY(property.isWritable());
        }
    }

    // Nothing beyond the documented members carries an ID.
    int ids = 0;
    for (int i = meta.classInfoOffset(); i < meta.classInfoCount(); ++i)
        ids += QByteArray(meta.classInfo(i).name()).startsWith("DispId:") ? 1 : 0;
    QCOMPARE(ids, 7);
    QCOMPARE(memberForDispatchId(meta, -552), QByteArray("About"));
    QCOMPARE(memberForDispatchId(meta, 0x68030000), QByteArray("OriginalSize"));
}

void tst_Packwell::callByDispatchId()
{
    // The way a dispatch host calls DecompressData: ID 0x60030004, two arguments, a 32-bit result.
    Packwell packwell;
    const QByteArray member = memberForDispatchId(Packwell::staticMetaObject, 0x60030004);
    QCOMPARE(member, QByteArray("DecompressData"));

    const QByteArray original = QByteArray(1000, 'q');
    QByteArray data = zlibStream(original);
    const qint32 origSize = 1000;
    qint32 code = -1;
    QVERIFY(QMetaObject::invokeMethod(&packwell, member.constData(), Q_RETURN_ARG(qint32, code),
                                      Q_ARG(QByteArray &, data), Q_ARG(qint32, origSize)));
    QCOMPARE(code, Z_OK);
    QCOMPARE(data, original);
}

void tst_Packwell::hostedAsOnMainWindow()
{
    QWidget window;
    auto *Packwell1 = new Packwell(&window);
    Packwell1->setObjectName(QStringLiteral("Packwell1"));
    Packwell1->hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!Packwell1->isVisible());
    QCOMPARE(window.findChild<Packwell *>(QStringLiteral("Packwell1")), Packwell1);

    // The compressed-entry writer's hook.
    const std::function<qint32(QByteArray &, const qint32 &)> decompress
        = std::bind_front(&Packwell::DecompressData, Packwell1);
    const QByteArray original = Windows1252::encode(QStringLiteral("entry \u20ac data"));
    QByteArray buffer = zlibStream(original);
    QCOMPARE(decompress(buffer, qint32(original.size())), Z_OK);
    QCOMPARE(buffer, original);
    QCOMPARE(Packwell1->OriginalSize(), 0);
    QCOMPARE(Packwell1->CompressedSize(), 0);
}

QTEST_MAIN(tst_Packwell)
#include "tst_packwell.moc"
