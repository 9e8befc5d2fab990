#include "ui/AppLook.h"
#include "ui/ostrel.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // Past a file-size limit an export's write fails with EFBIG and the entry reports it,
    // instead of the signal ending the program with a partial file.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
    // Lets the desktop match the window to the installed launcher and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Quillon"));
    AppLook::apply();

    ostrel window;
    window.Form_Load();
    return app.exec();
}
