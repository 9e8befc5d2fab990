#pragma once

#include <QLatin1String>
#include <QRect>

// Window layouts are designed in twips: 1/1440 inch, so 15 twips make one logical pixel at
// 96 dots per inch. Qt scales logical pixels for high-DPI screens itself.
constexpr int twips(int value)
{
    return value / 15;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// Names a control after its place in the layout and puts it there, so tests and tools find it
// by the name the layout gives it.
template<typename W> W *placed(W *control, const char *name, const QRect &geometry)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}
