#pragma once

class QImage;
class QIODevice;

// Encoders of the chart picture. Each encodes the whole picture in memory and then writes it
// to Device in one piece; false when encoding or writing fails (the caller then discards
// what reached the device). A null picture is a failure.
bool WriteBmp(const QImage &Image, QIODevice &Device);
// Colour JPEG at quality 100, chroma not subsampled.
bool WriteJpeg(const QImage &Image, QIODevice &Device);
bool WritePng(const QImage &Image, QIODevice &Device);
