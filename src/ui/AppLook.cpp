#include "AppLook.h"

#include "AppIcon.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace AppLook {

void apply()
{
    QApplication::setWindowIcon(AppIcon::icon());
    QFont font = QApplication::font();
    // A condensed face keeps the longest captions, such as the About box's, on one line.
    const QString condensed = QStringLiteral("DejaVu Sans Condensed");
    if (QFontDatabase::hasFamily(condensed))
        font.setFamily(condensed);
    font.setPointSizeF(7.5);
    QApplication::setFont(font);
}

} // namespace AppLook
