#include "cli/CommandLineTool.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
    return CommandLineTool(stdout, stderr).run(QCoreApplication::arguments());
}
