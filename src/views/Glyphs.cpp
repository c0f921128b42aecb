#include "views/Glyphs.h"

#include <QImage>

#include <array>
#include <stdexcept>

namespace {

using TArt = std::array<const char*, TGlyphs::Size>;

// '.' is the olive background; every other letter is a colour.
const TArt AlarmArt = {
    ".rr..........rr.",
    "rrr..kkkkkk..rrr",
    "rr.kkwwwwwwkk.rr",
    "..kwwwwkwwwwwk..",
    ".kwwwwwkwwwwwwk.",
    ".kwwwwwkwwwwwwk.",
    "kwwwwwwkwwwwwwwk",
    "kwwwwwwkwwwwwwwk",
    "kwwwwwwkkkkkwwwk",
    "kwwwwwwwwwwwwwwk",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwwwwwk.",
    "..kwwwwwwwwwwk..",
    "...kkwwwwwwkk...",
    "..k..kkkkkk..k..",
    ".k............k.",
};

const TArt PrivateArt = {
    "................",
    ".....kkkkkk.....",
    "....kggggggk....",
    "...kgkkkkkkgk...",
    "...kgk....kgk...",
    "...kgk....kgk...",
    "..kkkkkkkkkkkk..",
    "..kyyyyyyyyyyk..",
    "..kyyyyyyyyyok..",
    "..kyyyykkyyyok..",
    "..kyyyykkyyyok..",
    "..kyyyyykyyyok..",
    "..kyyyyykyyyok..",
    "..kyoooooooook..",
    "..kkkkkkkkkkkk..",
    "................",
};

const TArt RepeatArt = {
    "................",
    "......bbbb......",
    "....bb....bb.b..",
    "...b........bb..",
    "..b........bbb..",
    "..b.............",
    ".b..............",
    ".b............b.",
    ".b............b.",
    "..............b.",
    ".............b..",
    "..bbb........b..",
    "..bb........b...",
    "..b.bb....bb....",
    "......bbbb......",
    "................",
};

QColor ArtColor(char letter)
{
    switch (letter) {
    case '.': return TGlyphs::Olive();
    case 'k': return QColor(0x20, 0x20, 0x20);
    case 'w': return QColor(0xFF, 0xFF, 0xFF);
    case 'r': return QColor(0xD0, 0x20, 0x20);
    case 'g': return QColor(0xA0, 0xA0, 0xA8);
    case 'y': return QColor(0xF0, 0xC0, 0x30);
    case 'o': return QColor(0xC0, 0x90, 0x10);
    case 'b': return QColor(0x20, 0x50, 0xB0);
    }
    throw std::logic_error("glyph art uses an unknown colour");
}

// Olive pixels become fully transparent, as a bitmap with a transparent
// colour is drawn.
QImage Render(const TArt& art)
{
    QImage image(TGlyphs::Size, TGlyphs::Size, QImage::Format_ARGB32);
    for (int y = 0; y < TGlyphs::Size; ++y) {
        for (int x = 0; x < TGlyphs::Size; ++x) {
            const QColor color = ArtColor(art[static_cast<std::size_t>(y)][x]);
            image.setPixelColor(x, y, color == TGlyphs::Olive() ? QColor(Qt::transparent) : color);
        }
    }
    return image;
}

}  // namespace

const QImage& TGlyphs::Alarm()
{
    static const QImage glyph = Render(AlarmArt);
    return glyph;
}

const QImage& TGlyphs::Private()
{
    static const QImage glyph = Render(PrivateArt);
    return glyph;
}

const QImage& TGlyphs::Repeat()
{
    static const QImage glyph = Render(RepeatArt);
    return glyph;
}
