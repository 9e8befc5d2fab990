#include "CreateCommand.h"

#include "CommandLineOptions.h"
#include "Console.h"
#include "Printable.h"
#include "SignalCleanup.h"

#include "archive/EntryFailure.h"
#include "compress/Windows1252.h"
#include "create/EntryPacker.h"
#include "create/SourceTree.h"
#include "fs/FileSystem.h"
#include "fs/NewArchiveFile.h"

#include <QThread>

#include <cerrno>
#include <unistd.h>

namespace {

QString nothingToAdd()
{
    return QStringLiteral("no file or folder to add, not written");
}

} // namespace

CreateCommand::CreateCommand(const CommandLineOptions &options, Console &console, std::FILE *err)
    : m_options(options), m_console(console), m_progress(err)
{ }

bool CreateCommand::toStandardOutput() const
{
    return m_options.archivePath == "-";
}

void CreateCommand::failed(const QByteArray &path, const QString &reason)
{
    ++m_failed;
    m_console.error(Printable::path(path) + QStringLiteral(": ") + reason);
}

int CreateCommand::cannotWrite(const QString &reason)
{
    m_console.error((toStandardOutput() ? QStringLiteral("standard output")
                                        : Printable::path(m_options.archivePath))
                    + QStringLiteral(": ") + reason);
    return Console::UsageOrArchiveError;
}

bool CreateCommand::takeExclusions(QList<NamePattern> &patterns)
{
    // A pattern that means nothing is a mistake in the command line, said before anything is done.
    for (const QString &pattern : std::as_const(m_options.excluded)) {
        patterns << NamePattern(pattern);
        if (!patterns.last().isValid()) {
            m_console.error(Printable::name(pattern) + QStringLiteral(": bad pattern: ")
                            + Printable::name(patterns.last().errorString()));
            return false;
        }
    }
    return true;
}

int CreateCommand::run()
{
    QList<NamePattern> excluded;
    if (!takeExclusions(excluded))
        return Console::UsageOrArchiveError;
    FileSystem &fs = FileSystem::standard();
    // Declared first, so it outlives the file it removes when a signal stops the command.
    SignalCleanup cleanup;
    NewArchiveFile archive(fs, &cleanup);
    if (toStandardOutput() && ::isatty(STDOUT_FILENO) == 1)
        return cannotWrite(QStringLiteral("a terminal, no archive written to it"));
    if (!toStandardOutput())
        if (const QString why = archive.open(m_options.archivePath); !why.isEmpty())
            return cannotWrite(why);

    SourceTree tree(fs, [this](const QByteArray &path, const QString &why) { failed(path, why); });
    if (const int error = tree.openRoot(m_options.directory)) {
        m_console.error(Printable::path(m_options.directory) + QStringLiteral(": ")
                        + EntryFailure::systemText(error));
        return Console::UsageOrArchiveError;
    }
    // The archive it replaces is never added, nor the file standard output fills.
    if (archive.existing())
        tree.skip(archive.existing()->identity);
    if (FileSystem::Info out; toStandardOutput() && fs.info(STDOUT_FILENO, out))
        tree.skip(out.identity);
    tree.exclude(excluded);
    m_console.setProgress(&m_progress);
    tree.setMeasuring(m_progress.isEnabled());
    if (!m_options.paths.isEmpty() || !m_options.hasNamesFile) // -T of no PATH adds nothing
        tree.add(m_options.paths);
    if (tree.missing() > 0)
        return Console::UsageOrArchiveError;
    if (tree.count() == 0)
        return cannotWrite(nothingToAdd());

    if (!toStandardOutput() && !archive.create())
        return cannotWrite(EntryFailure::systemText(errno));
    const int threads = m_options.jobs > 0 ? m_options.jobs : QThread::idealThreadCount();
    EntryPacker packer(
        toStandardOutput() ? STDOUT_FILENO : archive.handle(), m_options.level, threads, fs,
        [this](const QByteArray &path, const QString &why) { failed(path, why); },
        [this](const QByteArray &entry) {
            if (m_options.verbose)
                m_console.printLine(QStringLiteral("a ")
                                    + Printable::name(Windows1252::decode(entry)));
        });
    if (toStandardOutput())
        packer.setStreaming([&fs] {
            int fd = -1;
            return fs.createScratchFile(fd) == FileSystem::Status::Ok ? fd : -1;
        });
    m_progress.start(tree.count(), tree.bytes());
    showProgress(packer);
    if (!packer.writeEntries(tree))
        return cannotWrite(packer.errorString());
    // No reader opens an archive of no entries; the one that was there is worth more.
    if (packer.added() == 0)
        return cannotWrite(nothingToAdd());
    if (!packer.writeDirectory())
        return cannotWrite(packer.errorString());
    if (!toStandardOutput() && !archive.commit())
        return cannotWrite(EntryFailure::systemText(errno));
    m_progress.clear();
    return m_failed > 0 ? Console::EntryFailed : Console::Success;
}

void CreateCommand::showProgress(EntryPacker &packer)
{
    if (!m_progress.isEnabled())
        return;
    packer.setProgress({
        [this](const QByteArray &name) { m_progress.entry(Windows1252::decode(name)); },
        [this](qint64 bytes) { m_progress.addBytes(bytes); },
        [this] { m_progress.entryDone(); },
    });
}
