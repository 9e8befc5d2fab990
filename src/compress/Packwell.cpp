#include "Packwell.h"

#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QResizeEvent>
#include <QScopedValueRollback>

namespace {

// A parcel squeezed in a vice, in the 16 colours of the standard VGA palette.
const char *const kFace[] = {
    "32 32 16 1",
    "# c #000000",
    "r c #800000",
    "G c #008000",
    "o c #808000",
    "b c #000080",
    "p c #800080",
    "t c #008080",
    "g c #808080",
    ". c #C0C0C0",
    "R c #FF0000",
    "l c #00FF00",
    "y c #FFFF00",
    "B c #0000FF",
    "m c #FF00FF",
    "c c #00FFFF",
    "w c #FFFFFF",
    ".............#RRRR#.............",
    ".............#RRRR#.............",
    ".............#RRRR#.............",
    "..........RRRRRRRRRRRR..........",
    "............RRRRRRRR............",
    "..............RRRR..............",
    ".#BBBBBBBBBBBBBBBBBBBBBBBBBBBB#.",
    ".#bbbbbbbbbbbbbbbbbbbbbbbbbbbb#.",
    ".#bbbbbbbbbbbbbbbbbbbbbbbbbbbb#.",
    ".##############################.",
    ".....#yyyyyyyyyrryyyyyyyyo#.....",
    ".....#wwwwwwwwwrryyyyyyyyo#.....",
    "....#ywyyyyyyyyrryyyyyyyyoo#....",
    "....#ywyyyyyyyyrryyyyyyyyoo#....",
    "....#yyyyyyyyyyrryyyyyyyyoo#....",
    "....#yyyyyyyyyyrryyyyyyyyoo#....",
    "....#yyyyyyyyyyrryyyyyyyyoo#....",
    "....#yyyyyyyyyyrryyyyyyyyoo#....",
    "....#yyyyyyyyyyrryyyyyyyyoo#....",
    "....#yyyyyyyyyyrryyyyyyyyoo#....",
    ".....#yyyyyyyyyrryyyyyyyyo#.....",
    ".....#ooooooooorrooooooooo#.....",
    ".#BBBBBBBBBBBBBBBBBBBBBBBBBBBB#.",
    ".#bbbbbbbbbbbbbbbbbbbbbbbbbbbb#.",
    ".#bbbbbbbbbbbbbbbbbbbbbbbbbbbb#.",
    ".##############################.",
    "..............RRRR..............",
    "............RRRRRRRR............",
    "..........RRRRRRRRRRRR..........",
    ".............#RRRR#.............",
    ".............#RRRR#.............",
    ".............#RRRR#.............",
};

const auto kAboutTitle = QStringLiteral("Orvane - Packwell ActiveX Control");
const auto kAboutText = QStringLiteral(
    "Packwell\n\n"
    "Data compression ActiveX component module.\n\n"
    "Custom control written and compiled by Tamsel. Portions written by other external 'zLib' "
    "compression software library authors.\n\n"
    "Special thanks and honor to the authors of the zLib DLL.");

} // namespace

Packwell::Packwell(QWidget *parent) : Packwell(PackwellHost::application(), parent) { }

Packwell::Packwell(const PackwellHost &host, QWidget *parent)
    : QWidget(parent), m_core(host), m_image1(new QLabel(this))
{
    connect(&m_core, &PackwellCore::propertyChanged, this, &Packwell::propertyChanged);

    const QImage face = faceImage();
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setPixmap(QPixmap::fromImage(face));
    m_image1->setGeometry(QRect(QPoint(0, 0), face.size()));
    Resize();
}

QImage Packwell::faceImage()
{
    return QImage(kFace);
}

qint16 Packwell::About()
{
    QMessageBox box(QMessageBox::Information, kAboutTitle, kAboutText, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return 0;
}

void Packwell::Resize()
{
    // Width first, then height. The size is also made the only one allowed, so that layouts and
    // later resizes keep to the face; a host that widened the limits has them narrowed again.
    const QScopedValueRollback<bool> resizing(m_resizing, true);
    const QSize face = m_image1->size();
    setFixedWidth(face.width());
    resize(face.width(), height());
    setFixedHeight(face.height());
    resize(width(), face.height());
}

void Packwell::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_resizing && event->size() != m_image1->size())
        Resize();
}
