#include "CommandRun.h"

#include <QProcess>

#include <sys/resource.h>

Run quillon(const QStringList &arguments, const QString &workingDir, bool fileLimit)
{
    QProcess process;
    process.setWorkingDirectory(workingDir);
    if (fileLimit) // files of 1 KiB at most
        process.setChildProcessModifier([] {
            const struct rlimit limit = { 1024, 1024 };
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    process.start(QStringLiteral(QUILLON_CLI), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    const auto lines = [](const QByteArray &bytes) {
        QStringList list = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
        if (!list.isEmpty() && list.last().isEmpty())
            list.removeLast();
        return list;
    };
    run.out = lines(process.readAllStandardOutput());
    run.err = lines(process.readAllStandardError());
    return run;
}

QStringList filled(QStringList list, const QString &archive, const QString &dir)
{
    for (QString &item : list)
        item.replace(QLatin1String("%A"), archive).replace(QLatin1String("%D"), dir);
    return list;
}
