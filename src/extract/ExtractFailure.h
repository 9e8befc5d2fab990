#pragma once

#include <QString>

// Why an entry could not be written: the system's error, or one of the writers' own refusals.
struct ExtractFailure
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
        ArchiveItself,
        ArchiveChanged,
        LinkInTheWay,
        FolderInTheWay,
        FileInTheWay,
        ReadOnly,
        OutOfMemory,
        AlreadyExists,
    };

    Kind kind = Unknown;
    int error = 0;

    static ExtractFailure system(int error) { return { SystemError, error }; }
    // Why streaming inflation failed; a failed write's cause is the writer's own.
    static ExtractFailure inflation(int result, int error);

    // A short phrase for a person: the system's text for an errno, or the writers' own.
    QString text() const;
};
