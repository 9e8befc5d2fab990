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
#include "fs/OutputFile.h"

#include <QThread>

#include <cerrno>

CreateCommand::CreateCommand(const CommandLineOptions &options, Console &console)
    : m_options(options), m_console(console), m_fs(FileSystem::standard()), m_folder(m_fs)
{ }

void CreateCommand::failed(const QByteArray &path, const QString &reason)
{
    ++m_failed;
    m_console.error(Printable::path(path) + QStringLiteral(": ") + reason);
}

int CreateCommand::cannotWrite(const QString &reason)
{
    m_console.error(Printable::path(m_options.archivePath) + QStringLiteral(": ") + reason);
    return Console::UsageOrArchiveError;
}

QString CreateCommand::openDestination()
{
    // The archive's folder is opened once; the archive is made and renamed inside it.
    const QByteArray &archive = m_options.archivePath;
    const qsizetype slash = archive.lastIndexOf('/');
    const QByteArray folderPath = slash < 0 ? QByteArray(".") : archive.left(qMax(slash, 1));
    m_name = archive.mid(slash + 1);
    if (m_name.isEmpty() || m_name == "." || m_name == "..")
        return QStringLiteral("not a file name");
    int fd = -1;
    if (m_fs.openChosenFolder(folderPath, fd) != FileSystem::Status::Ok)
        return EntryFailure::systemText(errno);
    m_folder.reset(fd);
    FileSystem::Info existing;
    if (m_fs.info(m_folder.fd(), m_name, existing) != FileSystem::Status::Ok)
        return {};
    // Renaming over a link would replace the link itself (think of /dev/stdout), and anything
    // but a regular file cannot take an archive: both are left alone.
    if (existing.kind != FileSystem::Kind::File)
        return existing.isFolder() ? EntryFailure::systemText(EISDIR)
            : existing.kind == FileSystem::Kind::Link
            ? QStringLiteral("symbolic link, not replaced")
            : QStringLiteral("not a regular file, not replaced");
    m_existing = existing.identity;
    return {};
}

int CreateCommand::run()
{
    if (const QString why = openDestination(); !why.isEmpty())
        return cannotWrite(why);
    SourceTree tree(m_fs,
                    [this](const QByteArray &path, const QString &why) { failed(path, why); });
    if (const int error = tree.openRoot(m_options.directory)) {
        m_console.error(Printable::path(m_options.directory) + QStringLiteral(": ")
                        + EntryFailure::systemText(error));
        return Console::UsageOrArchiveError;
    }

    SignalCleanup cleanup;
    OutputFile out(m_fs, &cleanup, m_folder.fd(), m_name);
    if (out.create(true) != FileSystem::Status::Ok)
        return cannotWrite(EntryFailure::systemText(errno));
    // Neither the archive being written nor the one it replaces is ever added.
    FileSystem::Info made;
    if (m_fs.info(out.handle(), made))
        tree.skip(made.identity);
    if (m_existing)
        tree.skip(*m_existing);
    if (!m_options.paths.isEmpty() || !m_options.hasNamesFile) // -T of no PATH adds nothing
        tree.add(m_options.paths);
    if (!pack(tree, out.handle()))
        return Console::UsageOrArchiveError;
    if (!out.commit())
        return cannotWrite(EntryFailure::systemText(errno));
    return m_failed > 0 ? Console::EntryFailed : Console::Success;
}

bool CreateCommand::pack(SourceTree &tree, int out)
{
    const int threads = m_options.jobs > 0 ? m_options.jobs : QThread::idealThreadCount();
    EntryPacker packer(
        out, m_options.level, threads, m_fs,
        [this](const QByteArray &path, const QString &why) { failed(path, why); },
        [this](const QByteArray &entry) {
            if (m_options.verbose)
                m_console.printLine(QStringLiteral("a ")
                                    + Printable::name(Windows1252::decode(entry)));
        });
    if (packer.pack(tree))
        return true;
    cannotWrite(packer.errorString());
    return false;
}
