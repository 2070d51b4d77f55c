#pragma once
// An off-screen drawing surface: an image of a given size that other code draws into or copies
// from. The console keeps one per country flag and the diagram copies them, scaled, onto itself.
#include <QImage>
#include <memory>

class QPainter;
class QRect;

// A bitmap that can be handed between surfaces. A surface "adopts" a bitmap through setHBitmap;
// who deletes it follows the ownership rules of CMemoryDC (TerminateKillsBitmap). Deleting marks
// it deleted and frees its pixels; a deleted bitmap is an invalid handle.
struct MemoryBitmap {
    QImage image;
    bool deleted = false;
};
using HBitmap = std::shared_ptr<MemoryBitmap>;

// A new bitmap holding a copy of image's pixels, in the surface's pixel format.
HBitmap MakeBitmap(const QImage& image);

class CMemoryDC {
public:
    // A 1 x 1 surface with its own bitmap; TerminateKillsBitmap is true.
    CMemoryDC();
    // Deletes the own bitmap, and an adopted one when TerminateKillsBitmap is true.
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    // Adopts bmp; a null or deleted bitmap raises ov::RaisedError 0x80040001, source
    // "CMemoryDC.hBitmap", "Invalid handle.", and nothing changes. The own bitmap it replaces is
    // deleted; a previously adopted one never is.
    void setHBitmap(const HBitmap& bmp);
    HBitmap hBitmap() const;

    // Width and height of the current bitmap. Setting one recreates the own bitmap at the
    // requested size (pixels cleared to transparent black); a value below 1 keeps the bitmap.
    int Height() const;
    void setHeight(int height);
    int Width() const;
    void setWidth(int width);

    // Copies the picture's pixels into a new own bitmap of its size; a null picture raises the
    // "Invalid handle." error and the surface keeps its bitmap. The picture is not kept.
    void setPicture(const QImage& picture);
    // A copy of the current pixels; a null image when there is no bitmap.
    QImage Picture() const;

    // x = Row, y = Col, as the colour accessors of the surface have always been named. Colours
    // are red + 256 * green + 65536 * blue; a system colour is resolved before it is written.
    // Reading outside the bitmap gives -1; writing outside it, or an unresolvable colour, does
    // nothing.
    qint32 PixelColor(int row, int col) const;
    void setPixelColor(int row, int col, qint32 color);

    bool TerminateKillsBitmap() const;
    void setTerminateKillsBitmap(bool kills);

    // The surface itself: what painters draw into and copy from (ARGB32 premultiplied).
    QImage& hDC();
    const QImage& hDC() const;

    // Description of the current bitmap: type 0, bytes per scan line, 1 plane, bits per pixel,
    // first pixel byte.
    int bmType() const;
    int WidthBytes() const;
    int Planes() const;
    int BitsPerPixel() const;
    const uchar* Bits() const;

private:
    struct State;
    std::unique_ptr<State> d;
};

// Copies srcRect of src onto dest's destRect, scaled with smooth filtering.
void StretchBlt(QPainter& dest, const QRect& destRect, const CMemoryDC& src, const QRect& srcRect);
