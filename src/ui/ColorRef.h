#pragma once

#include <QColor>

#include <cstdint>

// A colour as the workstation stores it: 0x00BBGGRR, red in the lowest byte.
using TColorRef = uint32_t;

// The top byte (system colours, "default") is not a colour and is ignored.
QColor ColorFromRef(TColorRef color);
// Alpha is dropped; the top byte is 0.
TColorRef ColorToRef(const QColor& color);
