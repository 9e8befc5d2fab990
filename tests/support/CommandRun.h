#pragma once

#include <QString>
#include <QStringList>

// One run of the quillon command as a separate process, for the tests of its commands.
struct Run
{
    int status = -1; // -1 when it did not end within a minute, -2 when a signal ended it
    QStringList out;
    QStringList err;
};

// Runs quillon with arguments in workingDir (the test's own when empty); with fileLimit, every
// file it writes may take 1 KiB at most (RLIMIT_FSIZE).
Run quillon(const QStringList &arguments, const QString &workingDir = {}, bool fileLimit = false);

// Replaces %A with the archive's path and %D with the output folder.
QStringList filled(QStringList list, const QString &archive, const QString &dir);
