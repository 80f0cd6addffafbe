#pragma once
// A button showing a colour, with a drop-down palette of common colours and one more entry
// that opens the full colour dialog.
#include <QColor>
#include <QToolButton>

#include <functional>

class QAction;
class QMenu;

class TColorPickerButton : public QToolButton
{
public:
    explicit TColorPickerButton(QWidget *Parent = nullptr);

    QColor Color() const { return FColor; }
    // Shows Color; raises nothing.
    void SetColor(const QColor &Color);
    // Caption of the palette's entry that opens the full colour dialog.
    void SetMoreCaption(const QString &Caption);

    // Raised when the user picks a colour, from the palette or the full dialog.
    std::function<void(const QColor &)> OnChange;

    QMenu *Palette() const { return FPalette; }
    QAction *MoreAction() const { return FMoreAction; }
    // The swatch buttons of the palette, in palette order.
    QList<QToolButton *> Swatches() const { return FSwatches; }
    // The palette's colours.
    static const QList<QColor> &PaletteColors();

    void ChooseMore();

protected:
    void resizeEvent(QResizeEvent *Event) override;

private:
    void Choose(const QColor &Color);
    void UpdateFace();

    QColor FColor = Qt::black;
    QMenu *FPalette = nullptr;
    QAction *FMoreAction = nullptr;
    QList<QToolButton *> FSwatches;
};
