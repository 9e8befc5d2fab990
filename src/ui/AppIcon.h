#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

// The program's icon: an archive box with a quill, drawn in the 16 classic VGA colours without
// anti-aliasing so the 16 and 32 pixel images stay crisp.
namespace AppIcon {

QImage image(int size);
// The 16 and 32 pixel images the windows carry.
QIcon icon();
// The sizes installed into the desktop's hicolor icon theme, smallest first.
QList<int> themeSizes();

} // namespace AppIcon
