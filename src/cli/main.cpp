#include "cli/CommandLineTool.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
    // Latin-1 keeps every byte: a path that is not valid UTF-8 still names its own file.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    return CommandLineTool(stdout, stderr).run(arguments);
}
