#include "views/CMemoryDC.h"

#include "core/raised_error.h"
#include "views/modColor.h"

#include <QPainter>
#include <QRect>

namespace {

constexpr QImage::Format kSurfaceFormat = QImage::Format_ARGB32_Premultiplied;

void deleteBitmap(MemoryBitmap& bmp) {
    bmp.deleted = true;
    bmp.image = QImage();
}

[[noreturn]] void raiseInvalidHandle() {
    throw ov::RaisedError(static_cast<long>(0x80040001u), QStringLiteral("CMemoryDC.hBitmap"),
                          QStringLiteral("Invalid handle."));
}

bool validBitmap(const HBitmap& bmp) {
    return bmp && !bmp->deleted && !bmp->image.isNull();
}

} // namespace

HBitmap MakeBitmap(const QImage& image) {
    auto bmp = std::make_shared<MemoryBitmap>();
    bmp->image = image.convertToFormat(kSurfaceFormat);
    bmp->image.detach();
    return bmp;
}

struct CMemoryDC::State {
    HBitmap current;
    bool external = false;
    int requestedWidth = 1;
    int requestedHeight = 1;
    bool terminateKillsBitmap = true;
    QImage none; // what hDC answers while there is no usable bitmap

    // Lets go of the current bitmap: the own one is deleted, an adopted one only when asked.
    void release(bool killExternal) {
        if (!current) return;
        if (!external || killExternal) deleteBitmap(*current);
        current.reset();
        external = false;
    }

    void recreate() {
        if (requestedWidth < 1 || requestedHeight < 1) return;
        QImage image(requestedWidth, requestedHeight, kSurfaceFormat);
        if (image.isNull()) return; // too large to allocate: keep what there is
        image.fill(Qt::transparent);
        release(false);
        current = std::make_shared<MemoryBitmap>();
        current->image = std::move(image);
    }

    const QImage* image() const { return current && !current->deleted ? &current->image : nullptr; }
};

CMemoryDC::CMemoryDC() : d(std::make_unique<State>()) {
    d->recreate();
}

CMemoryDC::~CMemoryDC() {
    d->release(d->terminateKillsBitmap);
}

void CMemoryDC::setHBitmap(const HBitmap& bmp) {
    if (!validBitmap(bmp)) raiseInvalidHandle();
    if (bmp == d->current) return;
    // A painter can only draw into 32-bit surfaces; the adopted bitmap is brought to that form
    // in place, its colours unchanged, as selecting it into a context would.
    const QImage::Format f = bmp->image.format();
    if (f != kSurfaceFormat && f != QImage::Format_RGB32)
        bmp->image = bmp->image.convertToFormat(kSurfaceFormat);
    d->release(false);
    d->current = bmp;
    d->external = true;
    d->requestedWidth = bmp->image.width();
    d->requestedHeight = bmp->image.height();
}

HBitmap CMemoryDC::hBitmap() const {
    return d->current;
}

int CMemoryDC::Height() const {
    return d->image() ? d->image()->height() : 0;
}

void CMemoryDC::setHeight(int height) {
    d->requestedHeight = height;
    d->recreate();
}

int CMemoryDC::Width() const {
    return d->image() ? d->image()->width() : 0;
}

void CMemoryDC::setWidth(int width) {
    d->requestedWidth = width;
    d->recreate();
}

void CMemoryDC::setPicture(const QImage& picture) {
    if (picture.isNull()) raiseInvalidHandle();
    const QImage pixels = picture.convertToFormat(kSurfaceFormat);
    if (pixels.isNull()) raiseInvalidHandle();
    d->requestedWidth = pixels.width();
    d->requestedHeight = pixels.height();
    d->recreate();
    if (!d->current || d->current->image.size() != pixels.size()) return;
    d->current->image = pixels.copy();
}

QImage CMemoryDC::Picture() const {
    return d->image() ? d->image()->copy() : QImage();
}

qint32 CMemoryDC::PixelColor(int row, int col) const {
    const QImage* img = d->image();
    if (!img || !img->valid(row, col)) return -1;
    const QRgb px = qUnpremultiply(img->pixel(row, col));
    return RGBColor(qRed(px), qGreen(px), qBlue(px));
}

void CMemoryDC::setPixelColor(int row, int col, qint32 color) {
    if (!d->image() || !d->image()->valid(row, col)) return;
    const qint32 rgb = TranslateColor(color, 0);
    if (rgb < 0) return;
    d->current->image.setPixel(row, col, qRgb(ColorRed(rgb), ColorGreen(rgb), ColorBlue(rgb)));
}

bool CMemoryDC::TerminateKillsBitmap() const {
    return d->terminateKillsBitmap;
}

void CMemoryDC::setTerminateKillsBitmap(bool kills) {
    d->terminateKillsBitmap = kills;
}

QImage& CMemoryDC::hDC() {
    return d->image() ? d->current->image : d->none;
}

const QImage& CMemoryDC::hDC() const {
    return d->image() ? *d->image() : d->none;
}

int CMemoryDC::bmType() const {
    return 0;
}

int CMemoryDC::WidthBytes() const {
    return d->image() ? static_cast<int>(d->image()->bytesPerLine()) : 0;
}

int CMemoryDC::Planes() const {
    return 1;
}

int CMemoryDC::BitsPerPixel() const {
    return d->image() ? d->image()->depth() : 0;
}

const uchar* CMemoryDC::Bits() const {
    return d->image() ? d->image()->constBits() : nullptr;
}

void StretchBlt(QPainter& dest, const QRect& destRect, const CMemoryDC& src, const QRect& srcRect) {
    const QImage& image = src.hDC();
    if (image.isNull() || destRect.isEmpty() || srcRect.isEmpty()) return;
    dest.save();
    dest.setRenderHint(QPainter::SmoothPixmapTransform, true);
    dest.drawImage(destRect, image, srcRect);
    dest.restore();
}
