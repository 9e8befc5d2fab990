#pragma once

#include <QByteArray>
#include <QtGlobal>

// A PNG file of 8-bit RGB pixels, written without Qt Gui. scanlines is what the image data
// holds: per row a filter byte then three bytes a pixel. Given fewer rows than height, the
// header still claims width x height, as a hostile file would.
QByteArray pngBytes(quint32 width, quint32 height, const QByteArray &scanlines);

// A black RGB picture of 8 or 16 bits a sample, whole: the rows are never all in memory.
QByteArray blackPngBytes(quint32 width, quint32 height, int bitDepth);
