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
    : m_options(options), m_console(console)
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

int CreateCommand::run()
{
    FileSystem &fs = FileSystem::standard();
    const auto systemError = [](int error) { return EntryFailure::system(error).text(); };

    // The archive's folder is opened once; the archive is made and renamed inside it.
    const QByteArray &archive = m_options.archivePath;
    const qsizetype slash = archive.lastIndexOf('/');
    const QByteArray folderPath = slash < 0 ? QByteArray(".") : archive.left(qMax(slash, 1));
    const QByteArray name = archive.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == "..")
        return cannotWrite(QStringLiteral("not a file name"));
    FileSystem::Descriptor folder(fs);
    int fd = -1;
    if (fs.openExtractDir(folderPath, fd) != FileSystem::Status::Ok)
        return cannotWrite(systemError(errno));
    folder.reset(fd);
    FileSystem::Info existing;
    const bool exists = fs.info(folder.fd(), name, existing) == FileSystem::Status::Ok;
    // Renaming over a link would replace the link itself (think of /dev/stdout), and anything
    // but a regular file cannot take an archive: both are left alone.
    if (exists && existing.kind != FileSystem::Kind::File)
        return cannotWrite(existing.isFolder() ? systemError(EISDIR)
                               : existing.kind == FileSystem::Kind::Link
                               ? QStringLiteral("symbolic link, not replaced")
                               : QStringLiteral("not a regular file, not replaced"));

    SourceTree tree(fs, [this](const QByteArray &path, const QString &why) { failed(path, why); });
    if (const int error = tree.openRoot(m_options.directory)) {
        m_console.error(Printable::path(m_options.directory) + QStringLiteral(": ")
                        + systemError(error));
        return Console::UsageOrArchiveError;
    }

    SignalCleanup cleanup;
    OutputFile out(fs, &cleanup, folder.fd(), name);
    if (out.create(true) != FileSystem::Status::Ok)
        return cannotWrite(systemError(errno));
    // Neither the archive being written nor the one it replaces is ever added.
    FileSystem::Info made;
    if (fs.info(out.handle(), made))
        tree.skip(made.identity);
    if (exists)
        tree.skip(existing.identity);
    tree.add(m_options.paths);

    const int threads = m_options.jobs > 0 ? m_options.jobs : QThread::idealThreadCount();
    EntryPacker packer(
        out.handle(), m_options.level, threads, fs,
        [this](const QByteArray &path, const QString &why) { failed(path, why); },
        [this](const QByteArray &entry) {
            if (m_options.verbose)
                m_console.printLine(QStringLiteral("a ")
                                    + Printable::name(Windows1252::decode(entry)));
        });
    if (!packer.pack(tree))
        return cannotWrite(packer.errorString());
    if (!out.commit())
        return cannotWrite(systemError(errno));
    return m_failed > 0 ? Console::EntryFailed : Console::Success;
}
