#include "tools/artwork/JpegWriter.h"

#include <QImage>

#include <turbojpeg.h>

QByteArray EncodeJpeg(const QImage &Picture, int Quality)
{
    if (Picture.isNull())
        return {};
    const QImage Rgb = Picture.convertToFormat(QImage::Format_RGB888);
    tjhandle Encoder = tjInitCompress();
    if (!Encoder)
        return {};
    unsigned char *Jpeg = nullptr;
    unsigned long Size = 0;
    // Without TJFLAG_PROGRESSIVE the encoder writes a baseline frame.
    const int Failed = tjCompress2(Encoder, Rgb.constBits(), Rgb.width(), int(Rgb.bytesPerLine()), Rgb.height(),
                                   TJPF_RGB, &Jpeg, &Size, TJSAMP_444, Quality, TJFLAG_ACCURATEDCT);
    QByteArray Out;
    if (!Failed)
        Out = QByteArray(reinterpret_cast<const char *>(Jpeg), qsizetype(Size));
    tjFree(Jpeg);
    tjDestroy(Encoder);
    return Out;
}
