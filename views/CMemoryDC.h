#pragma once
// An off-screen drawing surface: an image of a given size that other code draws into or copies
// from. The console keeps one per country flag and the diagram copies them, scaled, onto itself.
#include <QImage>
#include <memory>

class QPainter;
class QRect;

// A bitmap that can be handed between surfaces. A surface "adopts" a bitmap through setHBitmap;
// who deletes it follows the ownership rules of CMemoryDC (TerminateKillsBitmap).
struct MemoryBitmap {
    QImage image;
    bool deleted = false;
};
using HBitmap = std::shared_ptr<MemoryBitmap>;

class CMemoryDC {
public:
    CMemoryDC();
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    // Adopts bmp; a null or deleted bitmap raises ov::RaisedError 0x80040001, source
    // "CMemoryDC.hBitmap", "Invalid handle.", and nothing changes.
    void setHBitmap(const HBitmap& bmp);
    HBitmap hBitmap() const;

    int Height() const;
    void setHeight(int height);
    int Width() const;
    void setWidth(int width);

    // Copies the picture's pixels into a new own bitmap of its size; a null picture raises the
    // "Invalid handle." error and the surface keeps its bitmap.
    void setPicture(const QImage& picture);
    QImage Picture() const;

    // x = Row, y = Col, as the colour accessors of the surface have always been named.
    unsigned int PixelColor(int row, int col) const;
    void setPixelColor(int row, int col, unsigned int color);

    bool TerminateKillsBitmap() const;
    void setTerminateKillsBitmap(bool kills);

    // The surface itself: what painters draw into and copy from.
    QImage& hDC();
    const QImage& hDC() const;

    // Description of the current bitmap.
    int bmType() const;
    int WidthBytes() const;
    int Planes() const;
    int BitsPerPixel() const;
    const uchar* Bits() const;

private:
    struct State;
    std::unique_ptr<State> d;
};

// Copies srcRect of src onto dest's destRect, scaled with smooth (half-tone) filtering.
void StretchBlt(QPainter& dest, const QRect& destRect, const CMemoryDC& src, const QRect& srcRect);
