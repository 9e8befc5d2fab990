#pragma once

#include <QAbstractScrollArea>

class QAbstractItemModel;

// A read-only list of one-line rows of one font, drawn straight from a model as they come into
// view. QListView keeps two numbers a row, 128 MiB for the 16 million rows of 16 MiB of line
// feeds, and takes seconds to lay them out; this keeps nothing a row.
class LinesView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit LinesView(QWidget *parent = nullptr);

    // Not owned; its rows are the first column's display text.
    void setModel(QAbstractItemModel *model);
    QAbstractItemModel *model() const { return m_model; }
    // How many characters the widest row has, for the horizontal scroll bar.
    void setColumns(int columns);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateScrollBars();

    QAbstractItemModel *m_model = nullptr;
    int m_columns = 0;
};
