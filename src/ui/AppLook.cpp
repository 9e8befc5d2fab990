#include "AppLook.h"

#include "AppIcon.h"

#include <QApplication>
#include <QFont>

namespace AppLook {

void apply()
{
    QApplication::setWindowIcon(AppIcon::icon());
    QFont font = QApplication::font();
    font.setPointSizeF(7.5);
    QApplication::setFont(font);
}

} // namespace AppLook
