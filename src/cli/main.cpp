#include "CommandLineTool.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // Past a file-size limit a write then fails with EFBIG: the entry fails cleanly and the
    // others go on, instead of the signal ending the command with a partial file.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
    // Latin-1 keeps every byte: a path that is not valid UTF-8 still names its own file.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    return CommandLineTool(stdout, stderr).run(arguments);
}
