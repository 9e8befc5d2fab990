#include "SampleArchive.h"

ArchiveWriter sampleArchive()
{
    QByteArray table;
    for (int i = 0; i < 256; ++i)
        table.append(char(i));
    const QByteArray manual
        = "Quillon manual\n\nOpen an archive with File > Open, select entries and choose\n"
          "Export, or Export All for everything. Pick or create the destination folder\n"
          "in the dialog that follows. Files of the same name there are replaced.\n";
    QByteArray log;
    for (int i = 1; i <= 200; ++i)
        log += "line " + QByteArray::number(i) + ": nothing to report\n";

    return ArchiveWriter()
        .add(ArchiveWriter::stored("readme.txt",
                                   "This is Quillon's sample archive. Export it anywhere.\n"))
        .add(ArchiveWriter::folder("docs"))
        .add(ArchiveWriter::compressed("docs\\manual.txt", manual))
        .add(ArchiveWriter::folder("docs\\notes"))
        .add(ArchiveWriter::compressed("docs\\notes\\todo.txt", "- nothing yet\n"))
        .add(ArchiveWriter::folder("data"))
        .add(ArchiveWriter::stored("data\\table.bin", table))
        .add(ArchiveWriter::compressed("data\\log.txt", log))
        .add(ArchiveWriter::stored("data\\caf\xe9 menu.txt", "Caf\xe9 au lait\n"));
}
