#pragma once

#include "compress/StreamInflater.h"

#include <QString>

// Why an entry could not be written: the system's error, or one of the writers' own refusals.
struct EntryFailure
{
    enum Kind {
        Unknown,
        SystemError, // error holds the errno value
        PastEnd,
        CorruptData,
        TooLarge,
        EmptyData,
        OutsideDestination,
        NotAFileName,
        NameTooLong,
        ArchiveItself,
        ArchiveChanged,
        LinkInTheWay,
        FolderInTheWay,
        FileInTheWay,
        ReadOnly,
        OutOfMemory,
    };

    Kind kind = Unknown;
    int error = 0;

    static EntryFailure system(int error) { return { SystemError, error }; }
    // Why reading an entry failed, given the reader's result and errno.
    static EntryFailure reading(StreamInflater::Result result, int error);

    // A short phrase for a person: the system's text for an errno, or the writers' own.
    QString text() const;
    // The system's text for an errno, as text() gives it.
    static QString systemText(int error) { return system(error).text(); }
};
