#pragma once

#include "ui/ColorRef.h"

#include <QComboBox>

class QColorDialog;

// A drop-down of named colours, each with its swatch, ending in "Custom..."
// which asks for any colour through the colour dialog. A colour set that is
// not among the names shows as one "Custom" swatch above "Custom...", and
// Color() hands back exactly the 32-bit value that was set.
class TColorCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit TColorCombo(QWidget* parent = nullptr);

    TColorRef Color() const { return Color_; }
    void SetColor(TColorRef color);

    // Runs the colour dialog from the current colour; on OK the chosen one
    // becomes the current colour, on Cancel nothing changes.
    void PickCustom();

    static const char* const CustomText;
    static const char* const PromptText;

private:
    void Chosen(int row);
    int PromptRow() const { return count() - 1; }
    int CustomRow() const;
    void AddSwatch(int row, const QString& text, TColorRef color);

    TColorRef Color_ = 0;
    QColorDialog* Dialog_;
};
