#include "LinesView.h"

#include <QAbstractItemModel>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

constexpr int kMargin = 3;

} // namespace

LinesView::LinesView(QWidget *parent) : QAbstractScrollArea(parent) { }

void LinesView::setModel(QAbstractItemModel *model)
{
    m_model = model;
    updateScrollBars();
    viewport()->update();
}

void LinesView::setColumns(int columns)
{
    m_columns = columns;
    updateScrollBars();
}

void LinesView::paintEvent(QPaintEvent *)
{
    if (!m_model)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics(font());
    const int rows = m_model->rowCount();
    const int x = kMargin - horizontalScrollBar()->value();
    int y = kMargin + metrics.ascent();
    for (int row = verticalScrollBar()->value();
         row < rows && y - metrics.ascent() < viewport()->height(); ++row, y += metrics.height())
        painter.drawText(x, y, m_model->index(row, 0).data().toString());
}

void LinesView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LinesView::keyPressEvent(QKeyEvent *event)
{
    // The arrows and Page Up/Down scroll already; Home and End go to either end.
    if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) {
        verticalScrollBar()->triggerAction(event->key() == Qt::Key_Home
                                               ? QAbstractSlider::SliderToMinimum
                                               : QAbstractSlider::SliderToMaximum);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void LinesView::updateScrollBars()
{
    // The vertical bar counts rows, so the 16 million of them fit its range.
    const QFontMetrics metrics(font());
    const int rows = m_model ? m_model->rowCount() : 0;
    const int shown = qMax(1, (viewport()->height() - kMargin) / metrics.height());
    verticalScrollBar()->setRange(0, qMax(0, rows - shown));
    verticalScrollBar()->setPageStep(shown);
    const int width = metrics.horizontalAdvance(QString(m_columns, u'0')) + 2 * kMargin;
    horizontalScrollBar()->setRange(0, qMax(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(metrics.averageCharWidth());
}
