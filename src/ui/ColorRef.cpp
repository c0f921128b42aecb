#include "ui/ColorRef.h"

QColor ColorFromRef(TColorRef color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TColorRef ColorToRef(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return TColorRef(rgb.red()) | TColorRef(rgb.green()) << 8 | TColorRef(rgb.blue()) << 16;
}
