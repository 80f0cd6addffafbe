#pragma once

class QImage;
class QPainter;

// The program's pictures, drawn from geometry alone (no fonts), so that every run of the tool
// gives the same pictures on every machine.

enum TBatteryLook { blIdle, blCharging };

// One upright battery, terminal on top, in the 69 x 123 frame of a channel state picture; the
// painter's transform places and scales it. Idle is drawn in neutral greys only.
void DrawBattery(QPainter &Painter, TBatteryLook Look);

// A channel state picture: 69 x 123 on the tool window's light grey.
QImage PaintBattery(TBatteryLook Look);

// The logo: 300 x 73 on white, a charging battery and the name.
QImage PaintLogo();
