#include "DisplayField.h"

DisplayField::DisplayField(QWidget *parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setEnabled(false);
    setFocusPolicy(Qt::NoFocus);
    QPalette shown = palette();
    shown.setColor(QPalette::Disabled, QPalette::Text,
                   shown.color(QPalette::Active, QPalette::Text));
    setPalette(shown);
}
