#include "ui/AppLook.h"
#include "ui/ostrel.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    // Lets the desktop match the window to the installed launcher and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Quillon"));
    AppLook::apply();

    ostrel window;
    window.Form_Load();
    return app.exec();
}
