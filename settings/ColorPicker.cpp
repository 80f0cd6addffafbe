#include "ColorPicker.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QWidgetAction>

namespace {

constexpr int PaletteColumns = 8;
constexpr int SwatchPixels = 14;

QPixmap ColorBar(const QColor &Color, const QSize &Size)
{
    QPixmap pixmap(Size);
    pixmap.fill(Color);
    QPainter painter(&pixmap);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(0, 0, Size.width() - 1, Size.height() - 1);
    return pixmap;
}

} // namespace

const QList<QColor> &TColorPickerButton::PaletteColors()
{
    static const QList<QColor> colors = {
        QColor(0, 0, 0),       QColor(153, 51, 0),    QColor(51, 51, 0),     QColor(0, 51, 0),
        QColor(0, 51, 102),    QColor(0, 0, 128),     QColor(51, 51, 153),   QColor(51, 51, 51),
        QColor(128, 0, 0),     QColor(255, 102, 0),   QColor(128, 128, 0),   QColor(0, 128, 0),
        QColor(0, 128, 128),   QColor(0, 0, 255),     QColor(102, 102, 153), QColor(128, 128, 128),
        QColor(255, 0, 0),     QColor(255, 153, 0),   QColor(153, 204, 0),   QColor(51, 153, 102),
        QColor(51, 204, 204),  QColor(51, 102, 255),  QColor(128, 0, 128),   QColor(153, 153, 153),
        QColor(255, 0, 255),   QColor(255, 204, 0),   QColor(255, 255, 0),   QColor(0, 255, 0),
        QColor(0, 255, 255),   QColor(0, 204, 255),   QColor(153, 51, 102),  QColor(192, 192, 192),
        QColor(255, 153, 204), QColor(255, 204, 153), QColor(255, 255, 153), QColor(204, 255, 204),
        QColor(204, 255, 255), QColor(153, 204, 255), QColor(204, 153, 255), QColor(255, 255, 255),
    };
    return colors;
}

TColorPickerButton::TColorPickerButton(QWidget *Parent) : QToolButton(Parent)
{
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Not reached by Tab; its label's accelerator still gives it the focus.
    setFocusPolicy(Qt::ClickFocus);

    FPalette = new QMenu(this);
    auto *grid = new QWidget(FPalette);
    auto *layout = new QGridLayout(grid);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    const QList<QColor> &colors = PaletteColors();
    for (int i = 0; i < colors.size(); ++i) {
        const QColor color = colors[i];
        auto *swatch = new QToolButton(grid);
        swatch->setAutoRaise(true);
        swatch->setIconSize(QSize(SwatchPixels, SwatchPixels));
        swatch->setIcon(ColorBar(color, QSize(SwatchPixels, SwatchPixels)));
        swatch->setToolTip(color.name());
        connect(swatch, &QToolButton::clicked, this, [this, color] {
            FPalette->close();
            Choose(color);
        });
        layout->addWidget(swatch, i / PaletteColumns, i % PaletteColumns);
        FSwatches << swatch;
    }
    auto *gridAction = new QWidgetAction(FPalette);
    gridAction->setDefaultWidget(grid);
    FPalette->addAction(gridAction);
    FPalette->addSeparator();
    FMoreAction = FPalette->addAction(QString());
    connect(FMoreAction, &QAction::triggered, this, [this] { ChooseMore(); });
    setMenu(FPalette);
    UpdateFace();
}

void TColorPickerButton::SetColor(const QColor &Color)
{
    FColor = Color;
    UpdateFace();
}

void TColorPickerButton::SetMoreCaption(const QString &Caption) { FMoreAction->setText(Caption); }

void TColorPickerButton::ChooseMore()
{
    QColorDialog dialog(FColor, window());
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() == QDialog::Accepted && dialog.selectedColor().isValid())
        Choose(dialog.selectedColor());
}

void TColorPickerButton::Choose(const QColor &Color)
{
    SetColor(Color);
    if (OnChange)
        OnChange(Color);
}

void TColorPickerButton::UpdateFace()
{
    const QSize bar(qMax(16, width() - 24), 12);
    setIconSize(bar);
    setIcon(ColorBar(FColor, bar));
}

void TColorPickerButton::resizeEvent(QResizeEvent *Event)
{
    QToolButton::resizeEvent(Event);
    UpdateFace();
}
