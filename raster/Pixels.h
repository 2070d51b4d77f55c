#pragma once
// The engine's pixel routines, on which raster/Raster.h builds. The diagram repaints thousands of
// texts, boxes and lines every 10 ms while the operator drags it, which is more than QPainter's
// general paths manage on a small machine; these routines write 32-bit pixels directly, the way
// the desktop's own device context drew them: whole-pixel positions, no antialiasing on shapes,
// grey-scale antialiased text.
//
// Everything draws into a Canvas: the pixels of an RGB32 image and a band of its rows. Drawing
// clips to the band, and the pixels of a row depend only on what is drawn into that row, so
// separate bands of one image can be drawn at the same time and give the same picture as drawing
// the whole image at once.
#include <QFont>
#include <QHash>
#include <QImage>
#include <QStringView>
#include <array>
#include <vector>

namespace ov::raster {

struct Canvas {
    // The whole image, or rows [top, bottom) of it. The image must not be resized or shared
    // (detached) while the canvas is in use.
    explicit Canvas(QImage& image);
    Canvas(QImage& image, int top, int bottom);
    QRgb* row(int y) const { return reinterpret_cast<QRgb*>(bits + qsizetype(y) * bpl); }

    uchar* bits;
    qsizetype bpl;
    int width, height;
    int top, bottom;
};

// Fills the rectangle whose corners (x1, y1) and (x2, y2) are both included, in either order.
void FillBox(const Canvas& canvas, int x1, int y1, int x2, int y2, QRgb color);

// The outline of the desktop's rounded rectangle: left and top included, right and bottom
// excluded, corners cut by an ellipse of ellipseWidth x ellipseHeight, penWidth pixels wide inside
// the shape. A filled one is drawn from the runs Cover::RoundRect gives.
void RoundRectOutline(const Canvas& canvas, int left, int top, int right, int bottom,
                      int ellipseWidth, int ellipseHeight, QRgb pen, int penWidth);

// A straight line between two pixel centres, both ends included, width pixels thick.
void Line(const Canvas& canvas, int x1, int y1, int x2, int y2, int width, QRgb color);

// Mixes color into count pixels, pixel i with weight weights[i]: each channel becomes
// (color * w + pixel * (255 - w)) / 255 rounded to the nearest, so 0 leaves a pixel as it is and
// 255 gives color. This is how anti-aliased text is laid on the picture.
void MixPixels(QRgb* pixels, const uchar* weights, int count, QRgb color);

// Blends a picture by its alpha with its top-left corner at (x, y), as ARGB32 premultiplied
// (other formats are converted first). An opaque RGB32 picture is copied from the runs the cover
// gives (CopySpans).
void DrawImage(const Canvas& canvas, int x, int y, const QImage& picture);

// A run of pixels [x1, x2] of row y in one colour (for a picture: the part of it to copy there).
struct Span {
    int y, x1, x2;
    QRgb color;
};

// Fills the runs (clipped to the canvas).
void FillSpans(const Canvas& canvas, const Span* spans, int count);
// Copies the parts of an RGB32 picture with its top-left corner at (x, y) that the runs give; they
// must lie inside both the canvas and the picture, as the cover's runs of it do.
void CopySpans(const Canvas& canvas, int x, int y, const QImage& picture, const Span* spans,
               int count);

// The pixels of a band that drawing still to come paints over with opaque colour: whatever is
// drawn there before is hidden and may be left out. Filled while walking a band's operations
// from the last to the first. One bit per pixel.
//
// Adding an opaque shape also tells what of it still has to be painted: each of its runs is cut
// down to the stretch from its first to its last pixel not covered yet (a covered pixel between
// them is painted over later anyway) and appended to `visible`, or left out when all of it is
// covered. Runs are clipped to the band and the image.
class Cover {
public:
    // Starts empty, for the rows of canvas.
    void Reset(const Canvas& canvas);
    // The whole band, as the back colour paints it.
    void All(QRgb color, std::vector<Span>& visible);
    // The rectangle whose corners (x1, y1) and (x2, y2) are both included, in either order.
    void Box(int x1, int y1, int x2, int y2, QRgb color, std::vector<Span>& visible);
    // A rounded rectangle (see RoundRectOutline) with a fill: outline and fill together.
    void RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight,
                   QRgb pen, int penWidth, QRgb fill, std::vector<Span>& visible);

private:
    friend class GlyphFont;
    // Pixels [x1, x2] of rows [y0, y1).
    void paint(int y0, int y1, int x1, int x2, QRgb color, std::vector<Span>& visible);
    const quint64* row(int y) const { return bits_.data() + size_t(y - top_) * size_t(words_); }
    int top_ = 0, bottom_ = 0, width_ = 0, words_ = 0;
    bool any_ = false;
    std::vector<quint64> bits_;
};

// One face of a font at one size, as the diagram prints with it: every character has a whole-
// pixel advance and a grey-scale coverage mask, both made on first use and kept. Text is laid out
// character by character without kerning, so the width of a text is the sum of its characters'
// advances and drawing never shapes text again.
class GlyphFont {
public:
    // dpi is the resolution of the surface the text goes to.
    GlyphFont(const QFont& font, int dpi);
    ~GlyphFont();
    GlyphFont(const GlyphFont&) = delete;
    GlyphFont& operator=(const GlyphFont&) = delete;

    // Makes the glyphs of text on first use (with QPainter, on the calling thread).
    int TextWidth(QStringView text);
    int Height() const { return height_; }
    int Ascent() const { return ascent_; }
    // The rows, relative to the top of the line, that the glyphs made so far and the underline
    // reach: from InkTop() to InkBottom(), excluded.
    int InkTop() const { return inkTop_; }
    int InkBottom() const { return inkBottom_; }

    // Draws text, width its TextWidth, with the top-left corner of its line at (x, y). Only reads
    // glyphs, so several bands may draw at once; TextWidth must have made them first (a glyph not
    // made yet is left out). covered, when given, is what Hidden found for the text: glyphs whose
    // ink lies wholly in columns it covers are left out.
    void Draw(const Canvas& canvas, int x, int y, int width, QStringView text, QRgb color,
              const quint64* covered = nullptr) const;
    // The underline of a text drawn at (x, y), width its TextWidth.
    void Underline(const Canvas& canvas, int x, int y, int width, QRgb color) const;
    // What cover hides of text drawn at (x, y), width its TextWidth: the columns it covers in all
    // the rows a glyph of the font may reach (within the band), over those the text's ink may
    // reach. Appends them to covered, as Draw reads them, and returns where they start. Appends
    // nothing and returns -1 when no column is covered, kAllHidden when all are.
    static constexpr int kAllHidden = -2;
    int Hidden(const Cover& cover, int x, int y, int width, QStringView text,
               std::vector<quint64>& covered) const;

private:
    friend struct GlyphPainter;
    struct Glyph {
        bool ready = false;
        int advance = 0;
        int dx = 0, dy = 0; // mask position relative to the pen's top-left corner
        int width = 0, height = 0;
        int stride = 0;           // row length of mask: width rounded up to a multiple of 4
        std::vector<uchar> mask;  // coverage 0..255, row after row, 0 in the padding
        std::vector<uchar> pairs; // for each coverage a, the bytes a and 255 - a
    };
    Glyph& glyph(char16_t c);
    const Glyph* made(char16_t c) const;
    // The glyph of c as drawing takes it: one with neither ink nor advance when not made yet.
    const Glyph& drawn(char16_t c) const {
        if (c < 256) return latin_[c]; // empty until made
        const Glyph* g = made(c);
        return g ? *g : none_;
    }
    void render(char16_t c, Glyph& g);

    QFont font_;
    int dpi_;
    int height_ = 0;
    int ascent_ = 0;
    int inkTop_ = 0, inkBottom_ = 0;
    int inkLeft_ = 0, inkRight_ = 0; // how far ink reaches left of the pen, right of the advance
    int padRight_ = 0;               // how far a padded mask row reaches right of the advance
    bool backwards_ = false;         // a glyph with a negative advance was made
    int underlinePos_ = 0;
    int lineWidth_ = 1;
    std::array<Glyph, 256> latin_;         // below 256: nearly every character of a log
    std::array<qint16, 256> latinAdvance_; // their advances, -1 until made: measuring reads only
                                           // these
    QHash<char16_t, Glyph> others_;
    Glyph none_;
};

} // namespace ov::raster
