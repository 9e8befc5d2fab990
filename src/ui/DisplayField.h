#pragma once

#include <QLineEdit>

// A text box that only shows what the program puts in it: disabled and read-only, so the user
// can neither edit nor focus it, yet drawn in the active text colour so it stays easy to read.
class DisplayField : public QLineEdit
{
    Q_OBJECT

public:
    explicit DisplayField(QWidget *parent = nullptr);
};
