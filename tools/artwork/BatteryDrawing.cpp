#include "tools/artwork/Drawings.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int PictureWidth = 69;
constexpr int PictureHeight = 123;
const QColor Ground(240, 240, 240);

struct TBatteryColours {
    QColor CaseEdge, CaseDark, CaseLight, Well, FillDark, FillLight;
    double Level; // share of the well that holds charge
};

TBatteryColours ColoursOf(TBatteryLook Look)
{
    if (Look == blCharging)
        return {QColor(0x17, 0x3d, 0x6e),
                QColor(0x23, 0x5c, 0xa3),
                QColor(0x6f, 0xaa, 0xea),
                QColor(0x13, 0x2c, 0x4a),
                QColor(0x25, 0x8a, 0x3e),
                QColor(0x8e, 0xea, 0x9f),
                0.64};
    return {QColor(0x55, 0x55, 0x55),
            QColor(0x80, 0x80, 0x80),
            QColor(0xc8, 0xc8, 0xc8),
            QColor(0x5a, 0x5a, 0x5a),
            QColor(0x8c, 0x8c, 0x8c),
            QColor(0xbe, 0xbe, 0xbe),
            0.30};
}

// A horizontal gradient, dark at both sides and light left of the middle, so the case reads
// as a cylinder lit from the upper left.
QLinearGradient Cylinder(double Left, double Right, const QColor &Dark, const QColor &Light)
{
    QLinearGradient Gradient(Left, 0, Right, 0);
    Gradient.setColorAt(0.0, Dark);
    Gradient.setColorAt(0.35, Light);
    Gradient.setColorAt(1.0, Dark);
    return Gradient;
}

QPainterPath Bolt(double CentreX, double CentreY, double Height)
{
    const double U = Height / 10.0;
    QPainterPath Path;
    Path.moveTo(CentreX + 1.6 * U, CentreY - 5 * U);
    Path.lineTo(CentreX - 3.0 * U, CentreY + 0.8 * U);
    Path.lineTo(CentreX - 0.2 * U, CentreY + 0.8 * U);
    Path.lineTo(CentreX - 1.6 * U, CentreY + 5 * U);
    Path.lineTo(CentreX + 3.0 * U, CentreY - 0.8 * U);
    Path.lineTo(CentreX + 0.2 * U, CentreY - 0.8 * U);
    Path.closeSubpath();
    return Path;
}

} // namespace

void DrawBattery(QPainter &Painter, TBatteryLook Look)
{
    const TBatteryColours C = ColoursOf(Look);
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing);

    const QRectF Terminal(23.5, 5.5, 22, 12);
    Painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.5));
    Painter.setBrush(Cylinder(Terminal.left(), Terminal.right(), QColor(0x90, 0x90, 0x90), QColor(0xee, 0xee, 0xee)));
    Painter.drawRoundedRect(Terminal, 3, 3);

    const QRectF Case(9.5, 14.5, 50, 100);
    Painter.setPen(QPen(C.CaseEdge, 2));
    Painter.setBrush(Cylinder(Case.left(), Case.right(), C.CaseDark, C.CaseLight));
    Painter.drawRoundedRect(Case, 8, 8);

    const QRectF Well(17, 23, 35, 84);
    Painter.setPen(Qt::NoPen);
    Painter.setBrush(C.Well);
    Painter.drawRoundedRect(Well, 4, 4);

    const QRectF Inner = Well.adjusted(3, 3, -3, -3);
    QRectF Charge = Inner;
    Charge.setTop(Inner.bottom() - Inner.height() * C.Level);
    Painter.setBrush(Cylinder(Charge.left(), Charge.right(), C.FillDark, C.FillLight));
    Painter.drawRoundedRect(Charge, 2, 2);

    // Gaps across the charge make it read as a gauge.
    Painter.setPen(QPen(C.Well, 1.5));
    for (double Y = Inner.bottom() - 13; Y > Charge.top() + 4; Y -= 13)
        Painter.drawLine(QPointF(Charge.left(), Y), QPointF(Charge.right(), Y));

    if (Look == blCharging) {
        Painter.setPen(QPen(QColor(0x13, 0x2c, 0x4a, 160), 1.5));
        Painter.setBrush(Qt::white);
        Painter.drawPath(Bolt(Well.center().x(), Well.center().y() + 2, 44));
    }
    Painter.restore();
}

QImage PaintBattery(TBatteryLook Look)
{
    QImage Picture(PictureWidth, PictureHeight, QImage::Format_RGB32);
    Picture.fill(Ground);
    QPainter Painter(&Picture);
    Painter.setRenderHint(QPainter::Antialiasing);
    // A soft shadow under the battery stands it on the panel.
    QRadialGradient Shadow(QPointF(34.5, 116), 28);
    Shadow.setColorAt(0, QColor(0, 0, 0, 70));
    Shadow.setColorAt(1, QColor(0, 0, 0, 0));
    Painter.save();
    Painter.translate(34.5, 116);
    Painter.scale(1, 0.18);
    Painter.translate(-34.5, -116);
    Painter.setPen(Qt::NoPen);
    Painter.setBrush(Shadow);
    Painter.drawEllipse(QPointF(34.5, 116), 28, 28);
    Painter.restore();
    DrawBattery(Painter, Look);
    return Picture;
}
