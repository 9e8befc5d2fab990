#pragma once

#include <QString>

class ArchiveFile;

// An archive given as "-": read from standard input. Its directory lies at its end, so it must
// be read by position: a regular file redirected from its start is read where it lies, through
// a descriptor of its own; anything else (a pipe, a file read from its middle) is copied first
// into an anonymous file in $TMPDIR, which goes when the command ends.
namespace StandardInputArchive {

// Opens standard input as archive; false with why set (a terminal is never waited on).
bool open(ArchiveFile &archive, QString &why);

} // namespace StandardInputArchive
