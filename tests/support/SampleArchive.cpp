#include "SampleArchive.h"

#include "PngBytes.h"

#include <cmath>

namespace {

// A small landscape for the viewer: sky, sun and two hills.
QByteArray hills()
{
    constexpr int width = 160, height = 120;
    QByteArray rows;
    for (int y = 0; y < height; ++y) {
        rows += '\0'; // no filter
        for (int x = 0; x < width; ++x) {
            int rgb[3] = { 110 + y, 160 + y / 2, 235 };
            if ((x - 118) * (x - 118) + (y - 32) * (y - 32) < 16 * 16)
                rgb[0] = 255, rgb[1] = 214, rgb[2] = 90;
            if (y > 100 + 7 * std::sin(x / 11.0 + 1))
                rgb[0] = 46, rgb[1] = 112, rgb[2] = 50;
            else if (y > 80 + 12 * std::sin(x / 19.0))
                rgb[0] = 88, rgb[1] = 156, rgb[2] = 72;
            rows.append(char(rgb[0])).append(char(rgb[1])).append(char(rgb[2]));
        }
    }
    return pngBytes(width, height, rows);
}

} // namespace

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
        .add(ArchiveWriter::stored("data\\caf\xe9 menu.txt", "Caf\xe9 au lait\n"))
        .add(ArchiveWriter::folder("images"))
        .add(ArchiveWriter::stored("images\\hills.png", hills()));
}

QByteArray everyKind(ArchiveWriter::Count count)
{
    using W = ArchiveWriter;
    return W()
        .add(W::folder("d"))
        .add(W::stored("d\\s.bin", "stored"))
        .add(W::compressed("d\\e\\c.txt", "compressed"))
        .add(W::raw("skip", 7))
        .setCountConvention(count)
        .build();
}
