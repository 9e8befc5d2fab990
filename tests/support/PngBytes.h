#pragma once

#include <QByteArray>
#include <QtGlobal>

// A PNG file of 8-bit RGB pixels, written without Qt Gui. scanlines is what the image data
// holds: per row a filter byte then three bytes a pixel. Given fewer rows than height, the
// header still claims width x height, as a hostile file would.
QByteArray pngBytes(quint32 width, quint32 height, const QByteArray &scanlines);
