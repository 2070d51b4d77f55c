#pragma once
// The diagram's drawing surface `pic`: a widget that keeps what is drawn on it in a persistent
// image until the next Cls, with the picture box's drawing state (current position, colours, pen
// width, font) and operations (Print, Line, RoundRect, StretchBlt, PaintPicture). Painting the
// widget only shows that image; the image follows the widget's size. Colours are the console's
// 32-bit values (red + 256 * green + 65536 * blue, or a system colour).
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

class CMemoryDC;

namespace ov::raster {
class Cover;
class GlyphFont;
struct Canvas;
} // namespace ov::raster

// Makes the font "Tahoma" available: when the system has none, the copies Debian's fonts-wine
// ships outside the font configuration are registered with the application. Call once at
// start-up, before anything measures text. Answers whether "Tahoma" is now available.
bool EnsureTahomaFont();

// One operation of the surface, as recorded for checks of what a drawing put where.
struct DrawnItem {
    enum class Kind { Text, Box, RoundRect, Line, Picture, Stretch };
    Kind kind = Kind::Text;
    QString text;          // Text: the printed text
    QRectF rect;           // Text: position and TextWidth x TextHeight; Box, RoundRect: the
                           // corners as given; Picture, Stretch: destination
    QLineF line;           // Line: the two ends
    qint32 color = 0;      // text colour, box colour, outline or line colour
    qint32 fillColor = -1; // RoundRect: the fill, -1 when the fill style is transparent
    int width = 1;         // Line, RoundRect: pen width
    float fontSize = 0;    // Text: font
    bool bold = false, italic = false, underline = false;
};

class PictureBox : public QWidget {
    Q_OBJECT
    Q_PROPERTY(float CurrentX READ CurrentX WRITE setCurrentX)
    Q_PROPERTY(float CurrentY READ CurrentY WRITE setCurrentY)
    Q_PROPERTY(qint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(qint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(qint32 FillColor READ FillColor WRITE setFillColor)
    Q_PROPERTY(int FillStyle READ FillStyle WRITE setFillStyle)
    Q_PROPERTY(int DrawWidth READ DrawWidth WRITE setDrawWidth)
    Q_PROPERTY(float FontSize READ FontSize WRITE setFontSize)
    Q_PROPERTY(bool FontBold READ FontBold WRITE setFontBold)
    Q_PROPERTY(bool FontItalic READ FontItalic WRITE setFontItalic)
    Q_PROPERTY(bool FontUnderline READ FontUnderline WRITE setFontUnderline)
    Q_PROPERTY(int ScaleWidth READ ScaleWidth)
    Q_PROPERTY(int ScaleHeight READ ScaleHeight)

public:
    // Fill styles the surface knows.
    static constexpr int kFillSolid = 0;
    static constexpr int kFillTransparent = 1;
    // Stretch modes of StretchBlt: plain pixel picking, or smooth scaling (half-tone).
    static constexpr int kStretchColorOnColor = 3;
    static constexpr int kStretchHalftone = 4;

    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    float CurrentX() const { return currentX_; }
    void setCurrentX(float x) { currentX_ = x; }
    float CurrentY() const { return currentY_; }
    void setCurrentY(float y) { currentY_ = y; }
    qint32 ForeColor() const { return foreColor_; }
    void setForeColor(qint32 color) { foreColor_ = color; }
    // The system window colour at start.
    qint32 BackColor() const { return backColor_; }
    void setBackColor(qint32 color) { backColor_ = color; }
    qint32 FillColor() const { return fillColor_; }
    void setFillColor(qint32 color) { fillColor_ = color; }
    // kFillSolid or kFillTransparent (the start value).
    int FillStyle() const { return fillStyle_; }
    void setFillStyle(int style) { fillStyle_ = style; }
    int DrawWidth() const { return drawWidth_; }
    // Widths below 1 are taken as 1.
    void setDrawWidth(int width);
    // Points; 8.25 at start. Sizes that are not positive numbers are refused, sizes above 500
    // points are held at 500 (glyphs are drawn once per size and kept).
    float FontSize() const { return fontSize_; }
    void setFontSize(float size);
    bool FontBold() const { return bold_; }
    void setFontBold(bool on);
    bool FontItalic() const { return italic_; }
    void setFontItalic(bool on);
    bool FontUnderline() const { return underline_; }
    void setFontUnderline(bool on) { underline_ = on; }
    // The inner size of the surface: the widget's, which the image follows.
    int ScaleWidth() const { return std::max(width(), 1); }
    int ScaleHeight() const { return std::max(height(), 1); }

    int StretchBltMode() const { return stretchMode_; }
    void SetStretchBltMode(int mode) { stretchMode_ = mode; }

    // Fills the surface with the back colour; the current position returns to (0, 0).
    void Cls();
    // Size of a text in the current font, in pixels.
    float TextWidth(const QString& text) const;
    float TextHeight(const QString& text) const;
    // Draws text at the current position in the fore colour on a transparent background; then
    // CurrentX is 0 and CurrentY has grown by the text's height.
    void Print(const QString& text);
    // A line DrawWidth pixels wide, both ends included.
    void Line(float x1, float y1, float x2, float y2, qint32 color);
    // The filled-box form of Line: the rectangle with these corners, filled with color.
    void LineBoxFilled(float x1, float y1, float x2, float y2, qint32 color);
    // The desktop's rounded rectangle (right and bottom excluded) outlined with the fore colour and
    // DrawWidth, filled with the fill colour when the fill style is solid.
    void RoundRect(int left, int top, int right, int bottom, int ellipseWidth = 10,
                   int ellipseHeight = 10);
    // Copies a rectangle of src onto the surface, scaled to the destination rectangle; smooth
    // in half-tone mode. Scaled copies are remembered, so repeating one costs a plain copy.
    void StretchBlt(int x, int y, int width, int height, const CMemoryDC& src, int srcX, int srcY,
                    int srcWidth, int srcHeight);
    // Draws a picture at its natural size with its top-left corner at (x, y).
    void PaintPicture(const QImage& picture, float x, float y);

    // What is on the surface now.
    const QImage& Image() const;

    // Drawing operations are collected and carried out on the image when it is next shown or
    // read, in bands of rows on up to this many threads at once (the pixels are the same however
    // many are used). 0, the start value, uses as many as the processor has; 1 draws on the
    // calling thread only.
    void setDrawThreads(int threads) { drawThreads_ = std::max(threads, 0); }
    int DrawThreads() const { return drawThreads_; }

    // A run of operations kept to be drawn again: what the calls between BeginList and EndList
    // collected, with the drawing state they left. Replaying it moved by (dx, dy) whole pixels
    // gives the pixels of making the same calls again at the moved place, provided that every
    // position in them would have moved by exactly that much.
    class OpList {
    public:
        bool isEmpty() const { return !data_; }
        // The largest distance from 0, across or down, of the whole-pixel positions its
        // operations were given (0 for an empty list).
        int Extent() const;

    private:
        friend class PictureBox;
        std::shared_ptr<const struct OpListData> data_;
    };
    void BeginList();
    // Empty when the run could not be kept: recording is on, the collected operations were
    // carried out or dropped in between (Cls, a new size, a full queue), or it holds a replay.
    OpList EndList();
    // Adds the list's operations moved by (dx, dy) and takes on its final drawing state, the
    // current position moved as well. False, drawing nothing, when recording is on, the glyph
    // faces the list refers to have since been dropped, or the move is beyond 2^24 pixels.
    bool Replay(const OpList& list, int dx, int dy);

    // Recording of drawn operations, off at start; Cls empties the record.
    void setRecording(bool on);
    bool Recording() const { return recording_; }
    const std::vector<DrawnItem>& Drawn() const { return drawn_; }

signals:
    // Button: 1 left, 2 right, 4 middle (MouseMove: the buttons held); Shift: 1 Shift, 2 Ctrl,
    // 4 Alt; X, Y in pixels.
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    // After the surface has taken its new size.
    void Resize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // One collected drawing operation: one cache line, as every band reads through them. The
    // rows it may touch are kept apart (Rows).
    struct alignas(64) Pending {
        // List: the operations of a replayed list, moved by (x1, y1).
        enum class Kind : quint8 { Fill, Box, RoundRect, Line, Text, Image, List };
        Kind kind = Kind::Fill;
        bool filled = false, underline = false;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        int ellipseWidth = 0, ellipseHeight = 0, width = 1; // Text: width is its TextWidth
        QRgb color = 0, fill = 0;
        int index = -1; // Image: index in images_; List: index in lists_
        int length = 0; // Text: characters
        const ov::raster::GlyphFont* font = nullptr;
        const QChar* chars = nullptr; // Text: kept alive by texts_ or by a list in lists_
        QStringView text() const { return {chars, length}; }
    };
    static_assert(sizeof(Pending) == 64);
    // The rows an operation may touch, bottom excluded.
    struct Rows {
        int top = 0, bottom = 0;
    };

    ov::raster::GlyphFont& font() const;
    // Gives the image the widget's size; a hidden widget gets its resize event only when shown.
    void followSize() const;
    void queue(const Pending& op, Rows rows);
    // Carries out the collected operations.
    void flush() const;
    // What a thread drawing bands works with, kept from picture to picture, and one operation as
    // a band draws it.
    struct BandScratch;
    struct Step;
    // While walking a band's operations from the last: adds to the band's cover what op, moved by
    // (dx, dy), paints opaque, keeping the parts of it still to be painted; for a text, finds the
    // columns that the cover hides over it (see GlyphFont::Hidden). Adds the step to those to draw,
    // unless nothing of it is left to draw. images are those its image indices refer to.
    static void hide(BandScratch& scratch, const Pending& op, int dx, int dy,
                     const std::vector<QImage>& images);
    // Carries out one step (an operation other than a list) on the rows of cv.
    static void drawOp(const ov::raster::Canvas& cv, const Step& step, const BandScratch& scratch);
    friend struct OpListData;
    struct DrawState {
        float currentX, currentY;
        qint32 foreColor, backColor, fillColor;
        int fillStyle, drawWidth, stretchMode;
        float fontSize;
        bool bold, italic, underline;
    };
    DrawState state() const;
    void changed();
    void record(DrawnItem item);
    // A colour as pixel value; system colours are looked up once per picture (until Cls).
    QRgb rgb(qint32 color) const;

    mutable QImage image_;
    float currentX_ = 0, currentY_ = 0;
    qint32 foreColor_ = 0;
    qint32 backColor_;
    qint32 fillColor_ = 0;
    int fillStyle_ = kFillTransparent;
    int drawWidth_ = 1;
    float fontSize_ = 8.25f;
    bool bold_ = false, italic_ = false, underline_ = false;
    int stretchMode_ = kStretchColorOnColor;
    int drawThreads_ = 0;
    mutable std::vector<Pending> pending_;
    mutable std::vector<Rows> pendingRows_; // for each of pending_
    // Counts the times the collected operations were carried out or dropped, and the times the
    // glyph faces were dropped: a list begun in one epoch is kept only within it.
    mutable quint64 pendingEpoch_ = 0;
    mutable quint64 fontGeneration_ = 0;
    size_t listStart_ = 0;
    quint64 listEpoch_ = ~quint64(0);
    // What the collected operations refer to: pictures, texts, and the lists replayed.
    mutable std::vector<QImage> images_;
    mutable std::vector<QString> texts_;
    mutable std::vector<std::shared_ptr<const OpListData>> lists_;
    bool updatePending_ = false;
    bool recording_ = false;
    std::vector<DrawnItem> drawn_;

    // Glyph faces by size and style, kept across zoom steps; the current one is looked up again
    // after a font change.
    mutable std::map<std::tuple<float, bool, bool>, std::unique_ptr<ov::raster::GlyphFont>> fonts_;
    mutable ov::raster::GlyphFont* currentFont_ = nullptr;
    mutable std::vector<std::pair<qint32, QRgb>> systemColors_;
    mutable std::vector<std::unique_ptr<BandScratch>> scratch_; // one for each drawing thread
    // Scaled copies made by StretchBlt, by source image and geometry.
    std::map<std::array<qint64, 8>, QImage> stretched_;
};
