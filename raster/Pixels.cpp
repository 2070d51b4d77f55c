// The engine's pixel routines: boxes, rounded rectangles, thick lines, pictures and cached glyph
// masks, written straight into RGB32 images.
#include "raster/Pixels.h"

#include <QFontMetrics>
#include <QPainter>
#include <QVarLengthArray>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Processors with AVX2 get an eight-pixel path, chosen at run time.
#if defined(__SSE2__) && defined(__GNUC__) && defined(__x86_64__)
#define OV_HAVE_AVX2_PATH 1
#include <immintrin.h>
#endif

namespace ov::raster {

Canvas::Canvas(QImage& image) : Canvas(image, 0, image.height()) {}

Canvas::Canvas(QImage& image, int top_, int bottom_)
    : bits(image.bits()), bpl(image.bytesPerLine()), width(image.width()), height(image.height()),
      top(std::clamp(top_, 0, image.height())), bottom(std::clamp(bottom_, 0, image.height())) {}

namespace {

constexpr QRgb kOpaque = 0xff000000u;

// Mix of two opaque pixels, a being the weight (0..255) of src: per channel
// t = src * a + dst * (255 - a), rounded to t / 255 as ((t + 128) * 257) >> 16, which is exact for
// every t that can occur. The vector versions below compute the same.
inline uint mixChannel(uint s, uint d, uint a) {
    return (((s * a + d * (255 - a)) + 128) * 257) >> 16;
}

inline QRgb mix(QRgb src, QRgb dst, uint a) {
    return kOpaque | (mixChannel((src >> 16) & 0xffu, (dst >> 16) & 0xffu, a) << 16) |
           (mixChannel((src >> 8) & 0xffu, (dst >> 8) & 0xffu, a) << 8) |
           mixChannel(src & 0xffu, dst & 0xffu, a);
}

#if defined(__SSE2__)
// Four pixels at once; alpha holds their four weights, lowest byte first. color16 is the colour's
// channels as 16-bit numbers, twice.
inline void mix4(QRgb* d, uint32_t alpha, __m128i color16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i k255 = _mm_set1_epi16(255), k128 = _mm_set1_epi16(128);
    const __m128i k257 = _mm_set1_epi16(257);
    __m128i a = _mm_cvtsi32_si128(int(alpha));
    a = _mm_unpacklo_epi8(a, a);
    a = _mm_unpacklo_epi16(a, a); // each weight in the four bytes of its pixel
    const __m128i aLo = _mm_unpacklo_epi8(a, zero), aHi = _mm_unpackhi_epi8(a, zero);
    const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i dLo = _mm_unpacklo_epi8(dst, zero), dHi = _mm_unpackhi_epi8(dst, zero);
    __m128i tLo = _mm_add_epi16(_mm_mullo_epi16(color16, aLo),
                                _mm_mullo_epi16(dLo, _mm_sub_epi16(k255, aLo)));
    __m128i tHi = _mm_add_epi16(_mm_mullo_epi16(color16, aHi),
                                _mm_mullo_epi16(dHi, _mm_sub_epi16(k255, aHi)));
    tLo = _mm_mulhi_epu16(_mm_add_epi16(tLo, k128), k257);
    tHi = _mm_mulhi_epu16(_mm_add_epi16(tHi, k128), k257);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(tLo, tHi));
}

#endif

#if defined(OV_HAVE_AVX2_PATH)
// The same for eight pixels at once, on processors that have AVX2. The constants are made once
// for a whole text.
//
// Each channel pair goes through one multiply-add of bytes: with the colour's and the picture's
// channels less 128 (as signed bytes) and the weights a and 255 - a, it gives t - 128 * 255, which
// fits 16 bits; flipping the top bit then adds 32768, giving t + 128 for the rounding above.
struct Avx2Mix {
    __attribute__((target("avx2"))) explicit Avx2Mix(QRgb color)
        : flip(_mm256_set1_epi8(char(0x80))), top(_mm256_set1_epi16(short(0x8000))),
          k257(_mm256_set1_epi16(257)),
          color(_mm256_xor_si256(_mm256_set1_epi32(int(color)), flip)),
          // From the weights a0, ~a0, a1, ~a1, ... a7, ~a7: each pixel's pair to its four
          // channels; the low pair of pixels of each 128-bit half, and the high pair.
          spreadLo(_mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3, 8, 9, 8, 9, 8,
                                    9, 8, 9, 10, 11, 10, 11, 10, 11, 10, 11)),
          spreadHi(_mm256_setr_epi8(4, 5, 4, 5, 4, 5, 4, 5, 6, 7, 6, 7, 6, 7, 6, 7, 12, 13, 12, 13,
                                    12, 13, 12, 13, 14, 15, 14, 15, 14, 15, 14, 15)) {}

    // Eight pixels (four of them in each 128-bit half) mixed with their eight weights.
    __attribute__((target("avx2"))) __m256i operator()(__m256i dst, uint64_t a8) const {
        const __m128i a = _mm_cvtsi64_si128(qint64(a8));
        return pairs(dst, _mm256_broadcastsi128_si256(
                              _mm_unpacklo_epi8(a, _mm_xor_si128(a, _mm_set1_epi8(char(0xff))))));
    }
    // The same with the weights as pairs a0, ~a0, ... a7, ~a7 in both 128-bit halves.
    __attribute__((target("avx2"))) __m256i pairs(__m256i dst, __m256i weights) const {
        const __m256i aLo = _mm256_shuffle_epi8(weights, spreadLo),
                      aHi = _mm256_shuffle_epi8(weights, spreadHi);
        const __m256i d = _mm256_xor_si256(dst, flip);
        const __m256i tLo = _mm256_maddubs_epi16(aLo, _mm256_unpacklo_epi8(color, d));
        const __m256i tHi = _mm256_maddubs_epi16(aHi, _mm256_unpackhi_epi8(color, d));
        return _mm256_packus_epi16(_mm256_mulhi_epu16(_mm256_xor_si256(tLo, top), k257),
                                   _mm256_mulhi_epu16(_mm256_xor_si256(tHi, top), k257));
    }

    __m256i flip, top, k257, color, spreadLo, spreadHi;
};

inline __m128i load4(const QRgb* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store4(QRgb* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
__attribute__((target("avx2"))) inline __m256i load8(const QRgb* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
__attribute__((target("avx2"))) inline void store8(QRgb* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// The weight pairs of eight pixels, in both halves.
__attribute__((target("avx2"))) inline __m256i pairsOf8(const uchar* p) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
// Of two runs of four pixels, the first in the low halves.
__attribute__((target("avx2"))) inline __m256i pairsOf4(const uchar* first, const uchar* second) {
    return _mm256_broadcastsi128_si256(
        _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(second))));
}

// The rows of a glyph go in pairs: their eight-pixel groups one after the other, and the
// four-pixel tails of both rows (when the stride is not a multiple of 8) mixed together as one
// group. p holds the weight pairs of the glyph's rows (GlyphFont::Glyph::pairs). Known strides are
// written out so that the loops unroll; Stride 0 reads the stride at run time.
template <int Stride>
__attribute__((target("avx2"))) inline void mixRowPairsAvx2(const Avx2Mix& mix8, QRgb* d,
                                                            qsizetype rowPixels, const uchar* p,
                                                            int runtimeStride, int rows) {
    const int stride = Stride ? Stride : runtimeStride;
    const int groups = stride / 8 * 8;
    const bool tail = stride % 8 != 0;
    const int rowBytes = 2 * stride;
    for (; rows >= 2; rows -= 2, p += 2 * rowBytes, d += 2 * rowPixels) {
        for (int i = 0; i < groups; i += 8) {
            QRgb* q = d + i;
            store8(q, mix8.pairs(load8(q), pairsOf8(p + 2 * i)));
            store8(q + rowPixels, mix8.pairs(load8(q + rowPixels), pairsOf8(p + rowBytes + 2 * i)));
        }
        if (tail) {
            QRgb* q = d + groups;
            const __m256i v = mix8.pairs(_mm256_set_m128i(load4(q + rowPixels), load4(q)),
                                         pairsOf4(p + 2 * groups, p + rowBytes + 2 * groups));
            store4(q, _mm256_castsi256_si128(v));
            store4(q + rowPixels, _mm256_extracti128_si256(v, 1));
        }
    }
    if (rows) {
        for (int i = 0; i < groups; i += 8)
            store8(d + i, mix8.pairs(load8(d + i), pairsOf8(p + 2 * i)));
        if (tail) { // only the low half of the mix is kept
            QRgb* q = d + groups;
            store4(q, _mm256_castsi256_si128(mix8.pairs(_mm256_castsi128_si256(load4(q)),
                                                        pairsOf4(p + 2 * groups, p + 2 * groups))));
        }
    }
}

// Mixes rows of a glyph (stride a multiple of 4), given by their weight pairs, into the picture.
__attribute__((target("avx2"))) inline void mixRowsAvx2(const Avx2Mix& mix8, QRgb* d,
                                                        qsizetype rowPixels, const uchar* m,
                                                        int stride, int rows) {
    switch (stride) {
    case 4:
        return mixRowPairsAvx2<4>(mix8, d, rowPixels, m, stride, rows);
    case 8:
        return mixRowPairsAvx2<8>(mix8, d, rowPixels, m, stride, rows);
    case 12:
        return mixRowPairsAvx2<12>(mix8, d, rowPixels, m, stride, rows);
    case 16:
        return mixRowPairsAvx2<16>(mix8, d, rowPixels, m, stride, rows);
    default:
        return mixRowPairsAvx2<0>(mix8, d, rowPixels, m, stride, rows);
    }
}

bool haveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

// Fills n pixels, eight at a time.
__attribute__((target("avx2"))) void fillAvx2(QRgb* d, int n, QRgb color) {
    const __m256i c8 = _mm256_set1_epi32(int(color));
    for (; n >= 16; n -= 16, d += 16) {
        store8(d, c8);
        store8(d + 8, c8);
    }
    if (n >= 8) {
        store8(d, c8);
        n -= 8;
        d += 8;
    }
    if (n > 0) store8(d + n - 8, c8); // the last eight, overlapping what is done (n was >= 8)
}

__attribute__((target("avx2"))) void mixPixelsAvx2(QRgb* d, const uchar* weights, int n,
                                                   QRgb color) {
    const Avx2Mix mix8(color);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t a8;
        std::memcpy(&a8, weights + i, 8);
        if (a8) store8(d + i, mix8(load8(d + i), a8));
    }
    for (; i < n; ++i)
        if (weights[i]) d[i] = mix(color, d[i], weights[i]);
}
#endif

} // namespace

void MixPixels(QRgb* d, const uchar* weights, int n, QRgb color) {
    color |= kOpaque;
#if defined(OV_HAVE_AVX2_PATH)
    if (haveAvx2()) return mixPixelsAvx2(d, weights, n, color);
#endif
    int i = 0;
#if defined(__SSE2__)
    const __m128i color16 = _mm_unpacklo_epi8(_mm_set1_epi32(int(color)), _mm_setzero_si128());
    for (; i + 4 <= n; i += 4) {
        uint32_t a4;
        std::memcpy(&a4, weights + i, 4);
        if (a4) mix4(d + i, a4, color16);
    }
#endif
    for (; i < n; ++i)
        if (weights[i]) d[i] = mix(color, d[i], weights[i]);
}

namespace {

// Fills pixels [x1, x2] of row y.
inline void span(const Canvas& cv, int y, int x1, int x2, QRgb color) {
    if (y < cv.top || y >= cv.bottom) return;
    x1 = std::max(x1, 0);
    x2 = std::min(x2, cv.width - 1);
    if (x1 > x2) return;
    QRgb* d = cv.row(y) + x1;
    int n = x2 - x1 + 1;
    color |= kOpaque;
#if defined(OV_HAVE_AVX2_PATH)
    if (n >= 8 && haveAvx2()) return fillAvx2(d, n, color);
#endif
#if defined(__SSE2__)
    const __m128i c4 = _mm_set1_epi32(int(color));
    for (; n >= 4; n -= 4, d += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), c4);
#endif
    for (; n > 0; --n)
        *d++ = color;
}

// Horizontal insets of the rows of a rounded rectangle w x h whose corners are cut by an ellipse
// ew x eh: row j covers [inset, w - 1 - inset]. Only the corner rows have an inset.
class RoundedRows {
public:
    RoundedRows(int w, int h, int ew, int eh) : w_(w), h_(h) {
        if (w <= 0 || h <= 0) return;
        ew = std::clamp(ew, 0, w);
        eh = std::clamp(eh, 0, h);
        if (ew <= 0 || eh <= 0) return;
        // The insets depend on the ellipse alone, and the diagram's boxes share a few ellipses.
        struct Corner {
            int ew = 0, eh = 0;
            QVarLengthArray<int, 32> insets;
        };
        thread_local std::array<Corner, 4> kept;
        thread_local size_t next = 0;
        for (const Corner& c : kept)
            if (c.ew == ew && c.eh == eh) {
                insets_ = c.insets;
                return;
            }
        const double rx = ew / 2.0, ry = eh / 2.0;
        const int corner = std::min(int(std::ceil(ry)), h);
        insets_.resize(corner);
        for (int j = 0; j < corner; ++j) {
            const double dy = ry - (j + 0.5);
            const double s = dy > 0 ? std::sqrt(std::max(0.0, 1.0 - (dy / ry) * (dy / ry))) : 1.0;
            insets_[j] = std::max(0, int(std::ceil(rx - rx * s - 0.5)));
        }
        kept[next++ % kept.size()] = {ew, eh, insets_};
    }
    // False when row j is outside or empty.
    bool row(int j, int& first, int& last) const {
        if (w_ <= 0 || h_ <= 0 || j < 0 || j >= h_) return false;
        const int fromEdge = std::min(j, h_ - 1 - j);
        const int inset = fromEdge < insets_.size() ? insets_[fromEdge] : 0;
        first = inset;
        last = w_ - 1 - inset;
        return first <= last;
    }
    // How many rows at either end may have an inset; those between have none.
    int corner() const { return int(insets_.size()); }

private:
    int w_, h_;
    QVarLengthArray<int, 32> insets_; // the boxes' small corners need no allocation
};

} // namespace

void FillBox(const Canvas& cv, int x1, int y1, int x2, int y2, QRgb color) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    y1 = std::max(y1, cv.top);
    y2 = std::min(y2, cv.bottom - 1);
    for (int y = y1; y <= y2; ++y)
        span(cv, y, x1, x2, color);
}

namespace {

// The runs of one colour that make up the rows [rowLo, rowHi) of a RoundRect, outline and fill of
// a row left to right: run(y0, y1, x1, x2, color) paints pixels [x1, x2] of rows [y0, y1). The
// rows between the corners are all alike and come as one.
template <class Run>
void roundRectRuns(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight,
                   QRgb pen, int penWidth, const QRgb* fill, int rowLo, int rowHi, const Run& run) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0 || top >= rowHi || bottom <= rowLo) return;
    penWidth = std::max(penWidth, 0);
    const bool solid = fill && (penWidth == 0 || *fill == pen);
    const RoundedRows outer(w, h, ellipseWidth, ellipseHeight);
    // The outline is what the shape has beyond the same shape made penWidth smaller.
    const RoundedRows inner(w - 2 * penWidth, h - 2 * penWidth, ellipseWidth - 2 * penWidth,
                            ellipseHeight - 2 * penWidth);
    const int alikeFrom = std::max(outer.corner(), penWidth + inner.corner());
    const int alikeTo = std::min(h - outer.corner(), h - penWidth - inner.corner());
    const int j1 = std::min(h, rowHi - top);
    for (int j = std::max(0, rowLo - top), next = j + 1; j < j1; j = next) {
        next = j >= alikeFrom && j < alikeTo ? std::min(alikeTo, j1) : j + 1;
        int a = 0, b = 0;
        if (!outer.row(j, a, b)) continue;
        const int y0 = top + j, y1 = top + next;
        if (solid) {
            run(y0, y1, left + a, left + b, *fill);
            continue;
        }
        int ia = 0, ib = -1;
        if (!inner.row(j - penWidth, ia, ib)) {
            run(y0, y1, left + a, left + b, pen);
            continue;
        }
        ia += penWidth;
        ib += penWidth;
        if (ia > a) run(y0, y1, left + a, left + ia - 1, pen);
        if (fill) run(y0, y1, left + ia, left + ib, *fill);
        if (b > ib) run(y0, y1, left + ib + 1, left + b, pen);
    }
}

} // namespace

void RoundRectOutline(const Canvas& cv, int left, int top, int right, int bottom, int ellipseWidth,
                      int ellipseHeight, QRgb pen, int penWidth) {
    roundRectRuns(left, top, right, bottom, ellipseWidth, ellipseHeight, pen, penWidth, nullptr,
                  cv.top, cv.bottom, [&cv](int y0, int y1, int x1, int x2, QRgb color) {
                      for (int y = y0; y < y1; ++y)
                          span(cv, y, x1, x2, color);
                  });
}

void FillSpans(const Canvas& cv, const Span* spans, int count) {
    for (const Span* s = spans; s != spans + count; ++s)
        span(cv, s->y, s->x1, s->x2, s->color);
}

void CopySpans(const Canvas& cv, int x, int y, const QImage& picture, const Span* spans,
               int count) {
    for (const Span* s = spans; s != spans + count; ++s) {
        const auto* from = reinterpret_cast<const QRgb*>(picture.constScanLine(s->y - y));
        std::memcpy(cv.row(s->y) + s->x1, from + (s->x1 - x),
                    sizeof(QRgb) * size_t(s->x2 - s->x1 + 1));
    }
}

void Cover::Reset(const Canvas& cv) {
    top_ = cv.top;
    bottom_ = cv.bottom;
    width_ = cv.width;
    words_ = (cv.width + 63) / 64;
    bits_.assign(size_t(std::max(0, bottom_ - top_)) * size_t(words_), 0);
    any_ = false;
}

void Cover::paint(int y0, int y1, int x1, int x2, QRgb color, std::vector<Span>& visible) {
    y0 = std::max(y0, top_);
    y1 = std::min(y1, bottom_);
    x1 = std::max(x1, 0);
    x2 = std::min(x2, width_ - 1);
    if (y0 >= y1 || x1 > x2) return;
    any_ = true;
    const int w1 = x1 >> 6, w2 = x2 >> 6;
    const quint64 firstWord = ~quint64(0) << (x1 & 63), lastWord = ~quint64(0) >> (63 - (x2 & 63));
    quint64* r = bits_.data() + size_t(y0 - top_) * size_t(words_);
    if (w1 == w2) { // the usual case: a run within one word
        const quint64 run = firstWord & lastWord;
        for (int y = y0; y < y1; ++y, r += words_) {
            const quint64 open = run & ~r[w1];
            if (!open) continue;
            visible.push_back({y, w1 * 64 + std::countr_zero(open),
                               w1 * 64 + 63 - std::countl_zero(open), color});
            r[w1] |= run;
        }
        return;
    }
    for (int y = y0; y < y1; ++y, r += words_) {
        // The first pixel not covered yet, from the left; then the last, from the right: the
        // search stops at the first one's word at the latest, and the bits left of the run that
        // it may see there are lower than the first one.
        int w = w1;
        quint64 open = ~r[w1] & firstWord;
        while (!open && w < w2)
            open = ~r[++w];
        if (w == w2) open &= lastWord;
        if (!open) continue; // all covered already
        const int from = w * 64 + std::countr_zero(open);
        w = w2;
        open = ~r[w2] & lastWord;
        while (!open)
            open = ~r[--w];
        visible.push_back({y, from, w * 64 + 63 - std::countl_zero(open), color});
        r[w1] |= firstWord;
        std::fill(r + w1 + 1, r + w2, ~quint64(0));
        r[w2] |= lastWord;
    }
}

void Cover::All(QRgb color, std::vector<Span>& visible) {
    paint(top_, bottom_, 0, width_ - 1, color, visible);
}

void Cover::Box(int x1, int y1, int x2, int y2, QRgb color, std::vector<Span>& visible) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    paint(y1, y2 + 1, x1, x2, color, visible);
}

void Cover::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight,
                      QRgb pen, int penWidth, QRgb fill, std::vector<Span>& visible) {
    roundRectRuns(
        left, top, right, bottom, ellipseWidth, ellipseHeight, pen, penWidth, &fill, top_, bottom_,
        [&](int y0, int y1, int x1, int x2, QRgb color) { paint(y0, y1, x1, x2, color, visible); });
}

namespace {

// Steps whose runs lie wholly inside what may be painted: n steps from base, minor coordinate b.
template <int Width>
void wholeRuns(QRgb* base, qsizetype along, qsizetype across, qint64 b, qint64 slope, int n,
               int before, int width, QRgb color) {
    const int w = Width ? Width : width;
    for (; n > 0; --n, base += along, b += slope) {
        QRgb* d = base + across * (int(b >> 32) - before);
        for (int m = 0; m < w; ++m)
            d[m * across] = color;
    }
}

// The first k in [lo, hi] for which pred, which turns from false to true once, holds; hi + 1 when
// it never does.
template <class Pred> int firstTrue(int lo, int hi, const Pred& pred) {
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        if (pred(mid))
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return lo;
}

// The steps of a line: step k paints the run of `width` pixels across the line starting `before`
// pixels ahead of the minor coordinate (b0 + slope * k) >> 32; `along` and `across` are the
// pixel distances of one step along the major and the minor axis. Runs reaching out of [bLo, bHi)
// across are cut.
void lineSteps(QRgb* origin, qsizetype along, qsizetype across, qsizetype start, qint64 b0,
               qint64 slope, int kFirst, int kLast, int before, int width, int bLo, int bHi,
               QRgb color) {
    const auto c0 = [&](int k) { return int((b0 + slope * k) >> 32) - before; };
    const auto cut = [&](int k) {
        QRgb* base = origin + start + along * k;
        const int c = c0(k);
        for (int m = std::max(c, bLo), end = std::min(c + width, bHi); m < end; ++m)
            base[across * m] = color;
    };
    // The steps whose whole run fits are one stretch [in0, in1], the minor coordinate moving one
    // way: from the first that has come in past one end to the last before the other.
    int in0 = kLast + 1, in1 = kLast;
    if (bHi - bLo >= width && kFirst <= kLast) {
        const auto pastLow = [&](int k) { return c0(k) >= bLo; };
        const auto pastHigh = [&](int k) { return c0(k) > bHi - width; };
        if (slope >= 0) {
            in0 = firstTrue(kFirst, kLast, pastLow);
            in1 = firstTrue(kFirst, kLast, pastHigh) - 1;
        } else {
            in0 = firstTrue(kFirst, kLast, [&](int k) { return !pastHigh(k); });
            in1 = firstTrue(kFirst, kLast, [&](int k) { return !pastLow(k); }) - 1;
        }
        if (in0 > in1) {
            in0 = kLast + 1;
            in1 = kLast;
        }
    }
    for (int k = kFirst; k < in0; ++k)
        cut(k);
    if (in0 <= in1) {
        QRgb* base = origin + start + along * in0;
        const qint64 b = b0 + slope * in0;
        const int n = in1 - in0 + 1;
        switch (width) {
        case 1:
            wholeRuns<1>(base, along, across, b, slope, n, before, width, color);
            break;
        case 2:
            wholeRuns<2>(base, along, across, b, slope, n, before, width, color);
            break;
        case 3:
            wholeRuns<3>(base, along, across, b, slope, n, before, width, color);
            break;
        default:
            wholeRuns<0>(base, along, across, b, slope, n, before, width, color);
        }
    }
    for (int k = std::max(in1 + 1, kFirst); k <= kLast; ++k)
        cut(k);
}

} // namespace

void Line(const Canvas& cv, int x1, int y1, int x2, int y2, int width, QRgb color) {
    width = std::max(width, 1);
    color |= kOpaque;
    const int before = (width - 1) / 2, after = width / 2;
    // Along the major axis one pixel per step; the minor coordinate is the exact line rounded
    // (halves away from the start), in 32.32 fixed point. Each step paints a run of `width`
    // pixels across the line's direction. Only the writes are clipped, so every band steps
    // through the same pixels.
    const bool xMajor = std::abs(x2 - x1) >= std::abs(y2 - y1);
    const int a1 = xMajor ? x1 : y1, a2 = xMajor ? x2 : y2; // major axis
    const int b1 = xMajor ? y1 : x1, b2 = xMajor ? y2 : x2; // minor axis
    const int steps = std::abs(a2 - a1);
    const int sa = a2 >= a1 ? 1 : -1;
    const qint64 slope = steps ? (qint64(b2 - b1) * (qint64(1) << 32)) / steps : 0;
    const qint64 b0 = qint64(b1) * (qint64(1) << 32) + (qint64(1) << 31);
    const int aLo = xMajor ? 0 : cv.top, aHi = xMajor ? cv.width : cv.bottom;
    const int bLo = xMajor ? cv.top : 0, bHi = xMajor ? cv.bottom : cv.width;
    // The steps whose major coordinate lies in the canvas: a = a1 + sa * k.
    int kFirst = 0, kLast = steps;
    if (sa > 0) {
        kFirst = std::max(kFirst, aLo - a1);
        kLast = std::min(kLast, aHi - 1 - a1);
    } else {
        kFirst = std::max(kFirst, a1 - (aHi - 1));
        kLast = std::min(kLast, a1 - aLo);
    }
    // And those whose run across may reach the canvas: the minor coordinate moves steadily, so
    // they are one stretch of steps (widened by one; the test in the loop is exact).
    const qint64 lo = qint64(bLo - after) * (qint64(1) << 32) - b0;
    const qint64 hi = qint64(bHi + before) * (qint64(1) << 32) - b0;
    if (slope > 0) {
        kFirst = int(std::max<qint64>(kFirst, lo / slope - 1));
        kLast = int(std::min<qint64>(kLast, hi / slope + 1));
    } else if (slope < 0) {
        kFirst = int(std::max<qint64>(kFirst, hi / slope - 1));
        kLast = int(std::min<qint64>(kLast, lo / slope + 1));
    } else if (lo > 0 || hi <= 0) {
        return;
    }
    const qsizetype rowPixels = cv.bpl / qsizetype(sizeof(QRgb));
    if (xMajor)
        lineSteps(cv.row(0), sa, rowPixels, a1, b0, slope, kFirst, kLast, before, width, bLo, bHi,
                  color);
    else
        lineSteps(cv.row(0), sa * rowPixels, 1, a1 * rowPixels, b0, slope, kFirst, kLast, before,
                  width, bLo, bHi, color);
}

void DrawImage(const Canvas& cv, int x, int y, const QImage& picture) {
    if (picture.isNull()) return;
    const QImage src = picture.format() == QImage::Format_ARGB32_Premultiplied
                           ? picture
                           : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int x0 = std::max(0, -x), x1 = std::min(src.width(), cv.width - x);
    const int y0 = std::max(0, cv.top - y), y1 = std::min(src.height(), cv.bottom - y);
    if (x0 >= x1) return;
    for (int j = y0; j < y1; ++j) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(j));
        QRgb* d = cv.row(y + j) + x;
        for (int i = x0; i < x1; ++i) {
            const QRgb p = s[i];
            const uint a = qAlpha(p);
            if (a == 255)
                d[i] = p;
            else if (a != 0) // premultiplied: src + dst * (255 - a) / 255
                d[i] = kOpaque | ((mix(d[i], 0, 255 - a) & 0x00ffffffu) + (p & 0x00ffffffu));
        }
    }
}

GlyphFont::GlyphFont(const QFont& font, int dpi) : font_(font), dpi_(dpi) {
    font_.setUnderline(false);
    font_.setStrikeOut(false);
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    const int dpm = qRound(dpi / 0.0254);
    device.setDotsPerMeterX(dpm);
    device.setDotsPerMeterY(dpm);
    const QFontMetrics fm(font_, &device);
    height_ = fm.height();
    ascent_ = fm.ascent();
    underlinePos_ = fm.underlinePos();
    lineWidth_ = std::max(1, fm.lineWidth());
    latinAdvance_.fill(-1);
    inkBottom_ = std::max(height_, ascent_ + underlinePos_ + lineWidth_);
}

GlyphFont::~GlyphFont() = default;

GlyphFont::Glyph& GlyphFont::glyph(char16_t c) {
    Glyph& g = c < 256 ? latin_[c] : others_[c];
    if (!g.ready) render(c, g);
    return g;
}

const GlyphFont::Glyph* GlyphFont::made(char16_t c) const {
    if (c < 256) return latin_[c].ready ? &latin_[c] : nullptr;
    const auto it = others_.constFind(c);
    return it != others_.constEnd() && it->ready ? &*it : nullptr;
}

void GlyphFont::render(char16_t c, Glyph& g) {
    g.ready = true;
    const int dpm = qRound(dpi_ / 0.0254);
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    probe.setDotsPerMeterX(dpm);
    probe.setDotsPerMeterY(dpm);
    const QString text(QChar{c});
    g.advance = QFontMetrics(font_, &probe).horizontalAdvance(text);
    if (c < 256 && g.advance >= 0 && g.advance <= 32767) latinAdvance_[c] = qint16(g.advance);
    backwards_ = backwards_ || g.advance < 0;

    // Room on every side for overhangs (italic slant, negative bearings).
    const int pad = height_ + 2;
    QImage canvas(std::max(1, g.advance) + 2 * pad, height_ + 2 * pad,
                  QImage::Format_ARGB32_Premultiplied);
    canvas.setDotsPerMeterX(dpm);
    canvas.setDotsPerMeterY(dpm);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setFont(font_);
        p.setPen(Qt::black);
        p.drawText(QPointF(pad, pad + ascent_), text);
    }
    int minX = canvas.width(), minY = canvas.height(), maxX = -1, maxY = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x)
            if (qAlpha(row[x])) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    }
    if (maxX < 0) return; // a space or a character without ink
    g.dx = minX - pad;
    g.dy = minY - pad;
    g.width = maxX - minX + 1;
    g.height = maxY - minY + 1;
    inkTop_ = std::min(inkTop_, g.dy);
    inkBottom_ = std::max(inkBottom_, g.dy + g.height);
    inkLeft_ = std::min(inkLeft_, g.dx);
    inkRight_ = std::max(inkRight_, g.dx + g.width - g.advance);
    g.stride = (g.width + 3) & ~3;
    padRight_ = std::max(padRight_, g.dx + g.stride - g.advance);
    g.mask.assign(size_t(g.stride) * size_t(g.height), 0);
    for (int y = 0; y < g.height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(minY + y));
        for (int x = 0; x < g.width; ++x)
            g.mask[size_t(y) * size_t(g.stride) + size_t(x)] = uchar(qAlpha(row[minX + x]));
    }
    g.pairs.resize(2 * g.mask.size());
    for (size_t k = 0; k < g.mask.size(); ++k) {
        g.pairs[2 * k] = g.mask[k];
        g.pairs[2 * k + 1] = uchar(255 - g.mask[k]);
    }
}

int GlyphFont::Hidden(const Cover& cover, int x, int y, int width, QStringView text,
                      std::vector<quint64>& covered) const {
    if (!cover.any_ || text.isEmpty()) return -1;
    // The rows any glyph of the font may reach, within the band; a glyph counts as hidden when
    // its columns are covered in all of them.
    const int r0 = std::max(y + inkTop_, cover.top_), r1 = std::min(y + inkBottom_, cover.bottom_);
    const int lo = std::max(x + inkLeft_, 0), hi = std::min(x + width + inkRight_, cover.width_);
    if (r0 >= r1 || lo >= hi) return -1;
    // The columns covered in every one of those rows, for the words the text reaches, after a word
    // that gives the columns [lo, hi) they are for.
    const int w0 = lo >> 6, w1 = (hi - 1) >> 6;
    const size_t start = covered.size();
    covered.push_back(quint64(quint32(lo)) | quint64(quint32(hi)) << 32);
    bool none = true, whole = true;
    for (int w = w0; w <= w1; ++w) {
        quint64 all = ~quint64(0);
        for (int r = r0; r < r1 && all; ++r)
            all &= cover.row(r)[w];
        covered.push_back(all);
        const quint64 wanted = (w == w0 ? ~quint64(0) << (lo & 63) : ~quint64(0)) &
                               (w == w1 ? ~quint64(0) >> (63 - ((hi - 1) & 63)) : ~quint64(0));
        none = none && !(all & wanted);
        whole = whole && (all & wanted) == wanted;
    }
    if (!none && !whole) return int(start);
    covered.resize(start);
    return none ? -1 : kAllHidden; // mostly nothing is over the text
}

int GlyphFont::TextWidth(QStringView text) {
    int width = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const int advance = c < 256 ? latinAdvance_[c] : -1;
        width += advance >= 0 ? advance : glyph(c).advance;
    }
    return width;
}

namespace {

// The columns that a cover hides over a text, as GlyphFont::Hidden found them: the columns
// [lo, hi) the text's ink may reach, then one bit for each, by words of 64 columns from that of lo.
class CoveredColumns {
public:
    CoveredColumns(const quint64* found, int imageWidth) : imageWidth_(imageWidth) {
        if (!found) return;
        lo_ = int(quint32(found[0]));
        hi_ = int(quint32(found[0] >> 32));
        first_ = lo_ >> 6;
        words_ = found + 1;
    }
    explicit operator bool() const { return words_ != nullptr; }
    // Whether a glyph whose ink takes columns [a, b) is hidden: all of them inside the image are
    // covered (and there are some).
    bool hides(int a, int b) const {
        a = std::max(a, 0);
        b = std::min(b, imageWidth_);
        if (a >= b || a < lo_ || b > hi_) return false;
        const quint64* w = words_ + ((a >> 6) - first_);
        if (!((*w >> (a & 63)) & 1)) return false; // mostly the glyph's first column is open
        const quint64* last = words_ + (((b - 1) >> 6) - first_);
        quint64 wanted = ~quint64(0) << (a & 63);
        for (; w < last; ++w, wanted = ~quint64(0))
            if ((*w & wanted) != wanted) return false;
        wanted &= ~quint64(0) >> (63 - ((b - 1) & 63));
        return (*w & wanted) == wanted;
    }

private:
    const quint64* words_ = nullptr; // from the word of column lo_
    int lo_ = 0, hi_ = 0, first_ = 0, imageWidth_ = 0;
};

} // namespace

// The glyph loop of Draw, with the way whole padded mask rows are mixed in as a parameter so that
// the AVX2 version has its row mixing inlined into the loop.
struct GlyphPainter {
    template <class MixRows>
    __attribute__((always_inline)) static inline void
    draw(const GlyphFont& f, const Canvas& cv, int x, int y, int width, QStringView text,
         QRgb color, const CoveredColumns& covered, const MixRows& mixRows) {
        const qsizetype rowPixels = cv.bpl / qsizetype(sizeof(QRgb));
        // Mostly a text lies in one band, and then only its ends may be cut by the image's sides.
        const bool rowsInside = y + f.inkTop_ >= cv.top && y + f.inkBottom_ <= cv.bottom;
        // Mostly, too, nothing of it is hidden and all its padded glyph rows are inside the image:
        // then each glyph is mixed in with no more tests.
        if (rowsInside && !covered && !f.backwards_ && x + f.inkLeft_ >= 0 &&
            x + width + f.padRight_ <= cv.width) {
            QRgb* const line = cv.row(y);
            for (const QChar ch : text) {
                const GlyphFont::Glyph& g = f.drawn(ch.unicode());
                if (g.height)
                    mixRows(line + (x + g.dx) + g.dy * rowPixels, rowPixels, g, 0, g.height);
                x += g.advance;
            }
            return;
        }
        int penX = x;
        for (const QChar ch : text) {
            const GlyphFont::Glyph& g = f.drawn(ch.unicode());
            const int gx = penX + g.dx, gy = y + g.dy;
            penX += g.advance;
            if (g.height == 0 || (covered && covered.hides(gx, gx + g.width))) continue;
            // The rows [j0, j1) of the mask inside the band.
            int j0 = 0, j1 = g.height;
            if (!rowsInside) {
                if (gy >= cv.bottom || gy + g.height <= cv.top) continue;
                j0 = std::max(0, cv.top - gy);
                j1 = std::min(g.height, cv.bottom - gy);
            }
            QRgb* d = cv.row(gy + j0) + gx;
            // Whole padded rows inside the image go several pixels at a time; the padding mixes
            // with weight 0 and leaves its pixels as they are.
            if (gx >= 0 && gx + g.stride <= cv.width) {
                mixRows(d, rowPixels, g, j0, j1 - j0);
                continue;
            }
            const uchar* mask = g.mask.data() + size_t(j0) * size_t(g.stride);
            if (gx >= cv.width || gx + g.width <= 0) continue;
            const int i0 = std::max(0, -gx), i1 = std::min(g.width, cv.width - gx);
            for (int j = j0; j < j1; ++j, d += rowPixels, mask += g.stride)
                MixPixels(d + i0, mask + i0, i1 - i0, color);
        }
    }
};

namespace {

#if defined(OV_HAVE_AVX2_PATH)
struct Avx2Rows {
    template <class Glyph>
    __attribute__((target("avx2"))) void operator()(QRgb* d, qsizetype rowPixels, const Glyph& g,
                                                    int j0, int rows) const {
        mixRowsAvx2(mix8, d, rowPixels, g.pairs.data() + 2 * size_t(j0) * size_t(g.stride),
                    g.stride, rows);
    }
    Avx2Mix mix8;
};

// Everything it calls is inlined, so that the glyph loops mix with no calls.
__attribute__((target("avx2"), flatten)) void drawAvx2(const GlyphFont& f, const Canvas& cv, int x,
                                                       int y, int width, QStringView text,
                                                       QRgb color, const CoveredColumns& covered) {
    const Avx2Rows rows{Avx2Mix(color)};
    GlyphPainter::draw(f, cv, x, y, width, text, color, covered, rows);
}
#endif

void drawPlain(const GlyphFont& f, const Canvas& cv, int x, int y, int width, QStringView text,
               QRgb color, const CoveredColumns& covered) {
    GlyphPainter::draw(f, cv, x, y, width, text, color, covered,
                       [color](QRgb* d, qsizetype rowPixels, const auto& g, int j0, int rows) {
                           const uchar* m = g.mask.data() + size_t(j0) * size_t(g.stride);
                           for (int j = 0; j < rows; ++j, d += rowPixels, m += g.stride)
                               MixPixels(d, m, g.stride, color);
                       });
}

} // namespace

void GlyphFont::Draw(const Canvas& cv, int x, int y, int width, QStringView text, QRgb color,
                     const quint64* coveredColumns) const {
    color |= kOpaque;
    if (y + inkTop_ >= cv.bottom || y + inkBottom_ <= cv.top) return; // clear of the band
    const CoveredColumns covered(coveredColumns, cv.width);
#if defined(OV_HAVE_AVX2_PATH)
    if (haveAvx2())
        drawAvx2(*this, cv, x, y, width, text, color, covered);
    else
        drawPlain(*this, cv, x, y, width, text, color, covered);
#else
    drawPlain(*this, cv, x, y, width, text, color, covered);
#endif
}

void GlyphFont::Underline(const Canvas& cv, int x, int y, int width, QRgb color) const {
    if (width <= 0) return;
    const int uy = y + ascent_ + underlinePos_;
    FillBox(cv, x, uy, x + width - 1, uy + lineWidth_ - 1, color | kOpaque);
}

} // namespace ov::raster
