// Writes the PNG icons installed into the hicolor theme, NxN.png for every theme size:
//   make_icons data/icons
// Rerun after changing AppIcon; tst_appicon fails while the committed files are stale.
#include "ui/AppIcon.h"

#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int size : AppIcon::themeSizes()) {
        const QString path = out.filePath(QStringLiteral("%1x%1.png").arg(size));
        if (!AppIcon::image(size).save(path, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
