#pragma once
// Window geometry is kept in twips (1/1440 inch) as the console's layout is written; the screen
// works in pixels at 15 twips per pixel.
namespace ov {

constexpr int kTwipsPerPixel = 15;
constexpr int twipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}
constexpr int pixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

} // namespace ov
