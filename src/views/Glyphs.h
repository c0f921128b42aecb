#pragma once

#include <QColor>
#include <QImage>

// The 16 x 16 marks of the day lists, drawn by the program itself on
// olive (0x00008080), the colour that is left transparent. Images rather
// than pixmaps, so that they need no display and outlive the application.
class TGlyphs
{
public:
    static constexpr int Size = 16;

    // "ALARM": an alarm clock face.
    static const QImage& Alarm();
    // "PRIVATE": a padlock.
    static const QImage& Private();
    // "REPEAT": two arrows in a circle, for an occurrence of a repeating event.
    static const QImage& Repeat();
    static QColor Olive() { return QColor(0x80, 0x80, 0x00); }
};
