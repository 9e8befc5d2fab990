#pragma once

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
