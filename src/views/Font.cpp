#include "views/Font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

namespace {

QFont DesktopSansSerif()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

}  // namespace

TFont::TFont() : Font_(DesktopSansSerif()), Color_(Qt::black) {}

TFont::TFont(const QColor& color, TFontStyles style) : Font_(DesktopSansSerif()), Color_(color)
{
    SetStyle(style);
}

TFontStyles TFont::Style() const
{
    TFontStyles style = 0;
    if (Font_.bold())
        style |= fsBold;
    if (Font_.italic())
        style |= fsItalic;
    if (Font_.underline())
        style |= fsUnderline;
    if (Font_.strikeOut())
        style |= fsStrikeOut;
    return style;
}

void TFont::SetStyle(TFontStyles style)
{
    Font_.setBold((style & fsBold) != 0);
    Font_.setItalic((style & fsItalic) != 0);
    Font_.setUnderline((style & fsUnderline) != 0);
    Font_.setStrikeOut((style & fsStrikeOut) != 0);
}

void TextOut(QPainter& painter, int x, int y, const TFont& font, const QString& text)
{
    painter.setFont(font.QtFont());
    painter.setPen(font.Color());
    painter.drawText(x, y + QFontMetrics(font.QtFont()).ascent(), text);
}

int TextWidth(const TFont& font, const QString& text)
{
    return text.isEmpty() ? 0 : QFontMetrics(font.QtFont()).horizontalAdvance(text);
}
