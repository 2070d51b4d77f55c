#pragma once
// Colour arithmetic of the views. A colour is a qint32 red + 256 * green + 65536 * blue; a value
// 0x80000000 + n (negative as qint32) names system colour n, which is resolved against the
// application palette whenever a colour is computed or drawn.
#include <QtGlobal>

class QColor;

constexpr qint32 SystemColor(int n) {
    return static_cast<qint32>(0x80000000u + unsigned(n));
}

// The plain RGB value of a colour: plain colours as they are (also the 0x02 "palette RGB" form),
// system colours 0..30 through the application palette; -1 when the colour cannot be resolved (an
// unknown system colour, a palette index, other high bytes, or no GUI application to ask). There
// are no logical palettes, so palette is accepted and not used.
qint32 TranslateColor(qint32 color, qint32 palette = 0);

// The mix of two colours, alpha (0..255) being the weight of color1. Channels are rounded half to
// even and held within 0..255; an unresolvable colour enters as -1 (all channels 255).
qint32 BlendColor(qint32 color1, qint32 color2, qint32 alpha);

// The colour to paint with; an unresolvable colour paints white, as it blends.
QColor ToQColor(qint32 color);
qint32 FromQColor(const QColor& c);

// Channels of a plain colour.
constexpr int ColorRed(qint32 c) {
    return c & 0xFF;
}
constexpr int ColorGreen(qint32 c) {
    return (c >> 8) & 0xFF;
}
constexpr int ColorBlue(qint32 c) {
    return (c >> 16) & 0xFF;
}
constexpr qint32 RGBColor(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}
