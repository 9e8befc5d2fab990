#pragma once

#include <QByteArray>
#include <QtGlobal>

// A well-formed progressive greyscale JPEG of black pixels, written without Qt Gui: one DC scan,
// then acScans scans that each refine nothing but still make a decoder visit every block. Many
// scans over a large picture take a decoder minutes; the file stays a few MB and compresses to
// a few KB.
QByteArray progressiveJpegBytes(quint16 width, quint16 height, int acScans);
