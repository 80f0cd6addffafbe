// korvane-icon <svg> <size> <png>: renders the program's icon as a square PNG of the given size
// for the desktop's icon theme, from the same drawing the window and the tray show.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: korvane-icon <svg> <size> <png>\n");
        return 2;
    }
    bool SizeOk = false;
    const int Size = QString::fromLocal8Bit(argv[2]).toInt(&SizeOk);
    if (!SizeOk || Size < 1 || Size > 4096) {
        std::fprintf(stderr, "korvane-icon: the size must be 1 to 4096 pixels\n");
        return 2;
    }
    QSvgRenderer Renderer(QString::fromLocal8Bit(argv[1]));
    if (!Renderer.isValid()) {
        std::fprintf(stderr, "korvane-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage Icon(Size, Size, QImage::Format_ARGB32_Premultiplied);
    Icon.fill(Qt::transparent);
    {
        QPainter Painter(&Icon);
        Painter.setRenderHint(QPainter::Antialiasing);
        Renderer.render(&Painter);
    }
    if (!Icon.save(QString::fromLocal8Bit(argv[3]), "png")) {
        std::fprintf(stderr, "korvane-icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
