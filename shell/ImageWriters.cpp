#include "ImageWriters.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QImageWriter>

#include <png.h>
#include <turbojpeg.h>

#include <memory>

namespace {

bool WriteAll(QIODevice &Device, const void *Data, qint64 Size)
{
    return Device.write(static_cast<const char *>(Data), Size) == Size;
}

struct TJpegEncoderFree {
    void operator()(void *Handle) const { tjDestroy(Handle); }
};

struct TJpegBufferFree {
    void operator()(unsigned char *Buffer) const { tjFree(Buffer); }
};

} // namespace

bool WriteBmp(const QImage &Image, QIODevice &Device)
{
    if (Image.isNull())
        return false;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    // An opaque picture: no alpha channel in the bitmap.
    if (!writer.write(Image.convertToFormat(QImage::Format_RGB32)))
        return false;
    return WriteAll(Device, encoded.constData(), encoded.size());
}

bool WriteJpeg(const QImage &Image, QIODevice &Device)
{
    if (Image.isNull())
        return false;
    const QImage rgb = Image.convertToFormat(QImage::Format_RGB888);
    const std::unique_ptr<void, TJpegEncoderFree> encoder(tjInitCompress());
    if (!encoder)
        return false;
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    const int failed = tjCompress2(encoder.get(), rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(),
                                   TJPF_RGB, &jpeg, &size, TJSAMP_444, 100, TJFLAG_ACCURATEDCT);
    const std::unique_ptr<unsigned char, TJpegBufferFree> owned(jpeg);
    return failed == 0 && WriteAll(Device, jpeg, qint64(size));
}

bool WritePng(const QImage &Image, QIODevice &Device)
{
    if (Image.isNull())
        return false;
    const QImage rgb = Image.convertToFormat(QImage::Format_RGB888);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(rgb.width());
    png.height = png_uint_32(rgb.height());
    png.format = PNG_FORMAT_RGB;
    // The row stride counts components, which are bytes at eight bits each.
    const auto stride = png_int_32(rgb.bytesPerLine());
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgb.constBits(), stride, nullptr)) {
        png_image_free(&png);
        return false;
    }
    QByteArray encoded(qsizetype(size), Qt::Uninitialized);
    if (!png_image_write_to_memory(&png, encoded.data(), &size, 0, rgb.constBits(), stride, nullptr)) {
        png_image_free(&png);
        return false;
    }
    return WriteAll(Device, encoded.constData(), qint64(size));
}
