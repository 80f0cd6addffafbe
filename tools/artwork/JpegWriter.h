#pragma once

#include <QByteArray>

class QImage;

// Encodes a picture as a baseline JPEG (colour, 4:4:4, accurate DCT) through libjpeg-turbo, so
// that any JPEG reader takes it. Gives an empty array for a null picture or when the encoder fails.
QByteArray EncodeJpeg(const QImage &Picture, int Quality);
