#pragma once

#include <QByteArray>

class QImage;

// Encodes one indexed picture as a GIF89a file: a global colour table of the picture's colours
// (padded to a power of two, at least two entries), one full-size image, LZW-compressed data.
// The picture must be QImage::Format_Indexed8 with 1 to 256 colours; anything else gives an
// empty array.
QByteArray EncodeGif(const QImage &Indexed);
