#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;

// Font styles as a set of bits.
enum TFontStyle : int {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};
using TFontStyles = int;

// A font with its own colour, as the views hand it out and take it in:
// a value, copied on every assignment, so no two owners share one.
class TFont
{
public:
    // The desktop's default sans-serif face at 8 points, black, no style.
    TFont();
    TFont(const QColor& color, TFontStyles style);

    QColor Color() const { return Color_; }
    void SetColor(const QColor& color) { Color_ = color; }
    TFontStyles Style() const;
    // Replaces the whole style: styles not in the set are dropped.
    void SetStyle(TFontStyles style);
    const QFont& QtFont() const { return Font_; }
    // Face, size and style; the colour stays.
    void SetQtFont(const QFont& font) { Font_ = font; }

    bool operator==(const TFont& other) const = default;

private:
    QFont Font_;
    QColor Color_;
};

// Text in a font and its colour, the point being the top left of the text.
void TextOut(QPainter& painter, int x, int y, const TFont& font, const QString& text);
int TextWidth(const TFont& font, const QString& text);
