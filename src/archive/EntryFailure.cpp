#include "EntryFailure.h"

#include <cstring>

EntryFailure EntryFailure::reading(StreamInflater::Result result, int error)
{
    switch (result) {
    case StreamInflater::Result::TooLarge:
        return { TooLarge };
    case StreamInflater::Result::Empty:
        return { EmptyData };
    case StreamInflater::Result::ReadFailed:
    case StreamInflater::Result::WriteFailed:
        return error == 0 ? EntryFailure { PastEnd } : system(error);
    case StreamInflater::Result::OutOfMemory:
        return { OutOfMemory };
    case StreamInflater::Result::Ok:
    case StreamInflater::Result::Corrupt:
        break;
    }
    return { CorruptData };
}

QString EntryFailure::text() const
{
    switch (kind) {
    case SystemError:
        return QString::fromLocal8Bit(std::strerror(error));
    case PastEnd:
        return QStringLiteral("data past the end of the archive");
    case CorruptData:
        return QStringLiteral("corrupt compressed data");
    case TooLarge:
        return QStringLiteral("inflates to more than its stated size");
    case EmptyData:
        return QStringLiteral("inflates to no data");
    case OutsideDestination:
        return QStringLiteral("name leads outside the destination");
    case NotAFileName:
        return QStringLiteral("not a file name");
    case NameTooLong:
        return QStringLiteral("name longer than 32,767 characters");
    case ArchiveItself:
        return QStringLiteral("would replace the archive itself");
    case ArchiveChanged:
        return QStringLiteral("the archive has changed since it was read");
    case LinkInTheWay:
        return QStringLiteral("a symbolic link is in the way");
    case FolderInTheWay:
        return QStringLiteral("a folder is in the way");
    case FileInTheWay:
        return QStringLiteral("a file is in the way");
    case ReadOnly:
        return QStringLiteral("the file is read-only");
    case OutOfMemory:
        return QStringLiteral("out of memory");
    case Unknown:
        break;
    }
    return QStringLiteral("failed");
}
