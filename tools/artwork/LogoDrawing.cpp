#include "tools/artwork/Drawings.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int LogoWidth = 300;
constexpr int LogoHeight = 73;
const QColor Ink(0x26, 0x35, 0x45);

// The name is drawn as centre lines stroked with round ends: a geometric sans of our own.
constexpr double Stroke = 7;
constexpr double Half = Stroke / 2;
constexpr double CapTop = 8 + Half;
constexpr double XTop = 22 + Half;
constexpr double Base = 50 - Half;
constexpr double Middle = (XTop + Base) / 2;
constexpr double Bowl = (Base - XTop) / 2;
constexpr double Gap = 5; // ink to ink between letters

QRectF BowlRect(double CentreX) { return {CentreX - Bowl, Middle - Bowl, 2 * Bowl, 2 * Bowl}; }

// Each letter adds its centre lines with its left ink edge at Left and returns its ink width.
double LetterK(QPainterPath &Path, double Left)
{
    const double X = Left + Half;
    Path.moveTo(X, CapTop);
    Path.lineTo(X, Base);
    const QPointF ArmTop(X + 21, CapTop), ArmFoot(X + 1.5, Middle - 2);
    Path.moveTo(ArmTop);
    Path.lineTo(ArmFoot);
    Path.moveTo(ArmFoot + (ArmTop - ArmFoot) * 0.36);
    Path.lineTo(X + 22, Base);
    return 22 + Stroke;
}

double LetterO(QPainterPath &Path, double Left)
{
    Path.addEllipse(BowlRect(Left + Half + Bowl));
    return 2 * Bowl + Stroke;
}

double LetterR(QPainterPath &Path, double Left)
{
    const double X = Left + Half;
    Path.moveTo(X, XTop);
    Path.lineTo(X, Base);
    Path.arcMoveTo(BowlRect(X + Bowl), 180);
    Path.arcTo(BowlRect(X + Bowl), 180, -108);
    return Bowl + Bowl * 0.31 + Stroke;
}

double LetterV(QPainterPath &Path, double Left)
{
    const double X = Left + Half;
    Path.moveTo(X, XTop);
    Path.lineTo(X + 10.5, Base);
    Path.lineTo(X + 21, XTop);
    return 21 + Stroke;
}

double LetterA(QPainterPath &Path, double Left)
{
    const double CentreX = Left + Half + Bowl;
    Path.addEllipse(BowlRect(CentreX));
    Path.moveTo(CentreX + Bowl, XTop);
    Path.lineTo(CentreX + Bowl, Base);
    return 2 * Bowl + Stroke;
}

double LetterN(QPainterPath &Path, double Left)
{
    const double X = Left + Half;
    Path.moveTo(X, XTop);
    Path.lineTo(X, Base);
    Path.moveTo(X, Middle);
    Path.arcTo(BowlRect(X + Bowl), 180, -180);
    Path.lineTo(X + 2 * Bowl, Base);
    return 2 * Bowl + Stroke;
}

double LetterE(QPainterPath &Path, double Left)
{
    const double CentreX = Left + Half + Bowl;
    Path.moveTo(CentreX - Bowl, Middle);
    Path.lineTo(CentreX + Bowl, Middle);
    Path.arcTo(BowlRect(CentreX), 0, 312);
    return 2 * Bowl + Stroke;
}

// Returns the right ink edge of the name.
double DrawName(QPainter &Painter, double Left)
{
    using TLetter = double (*)(QPainterPath &, double);
    const TLetter Letters[] = {LetterK, LetterO, LetterR, LetterV, LetterA, LetterN, LetterE};
    QPainterPath Path;
    double X = Left;
    for (const TLetter Letter : Letters)
        X += Letter(Path, X) + Gap;
    Painter.strokePath(Path, QPen(Ink, Stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    return X - Gap;
}

// A charge gauge under the name, most of its segments lit.
void DrawGauge(QPainter &Painter, double Left, double Right)
{
    constexpr int Segments = 12;
    constexpr int Lit = 9;
    constexpr double Space = 3;
    const double Width = (Right - Left - (Segments - 1) * Space) / Segments;
    Painter.setPen(Qt::NoPen);
    for (int I = 0; I < Segments; ++I) {
        const QRectF Segment(Left + I * (Width + Space), 58, Width, 6);
        if (I < Lit) {
            QLinearGradient Gradient(0, Segment.top(), 0, Segment.bottom());
            Gradient.setColorAt(0, QColor(0x6f, 0xd8, 0x84));
            Gradient.setColorAt(1, QColor(0x25, 0x8a, 0x3e));
            Painter.setBrush(Gradient);
        } else {
            Painter.setBrush(QColor(0xd5, 0xdb, 0xe1));
        }
        Painter.drawRoundedRect(Segment, 1.5, 1.5);
    }
}

} // namespace

QImage PaintLogo()
{
    QImage Logo(LogoWidth, LogoHeight, QImage::Format_RGB32);
    Logo.fill(Qt::white);
    QPainter Painter(&Logo);
    Painter.setRenderHint(QPainter::Antialiasing);

    Painter.save();
    Painter.translate(6, 4);
    Painter.scale(0.54, 0.54);
    DrawBattery(Painter, blCharging);
    Painter.restore();

    constexpr double NameLeft = 56;
    const double NameRight = DrawName(Painter, NameLeft);
    DrawGauge(Painter, NameLeft, NameRight);
    return Logo;
}
