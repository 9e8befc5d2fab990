#include "ProgressLabel.h"

#include <QPainter>
#include <QStyle>

namespace {

// The label shows one line; more characters than this never fit it, and laying out a path
// holding a name of megabytes would cost seconds per entry.
constexpr qsizetype kDrawnLength = 1024;

} // namespace

ProgressLabel::ProgressLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProgressLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().brush(backgroundRole()));
    style()->drawItemText(&painter, contentsRect(), int(alignment()) | Qt::TextSingleLine,
                          palette(), isEnabled(), text().left(kDrawnLength), foregroundRole());
}
