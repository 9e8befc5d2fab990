#pragma once

#include <QLabel>

// The progress label of an export. It is repainted alone once per entry, so it is opaque: it
// fills its whole rectangle with the window's background before drawing, and a shorter path
// never shows through a longer one painted before it. Its text is always plain text (an entry
// named "<b>x</b>" is shown as written).
class ProgressLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ProgressLabel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
