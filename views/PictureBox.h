#pragma once
// The diagram's drawing surface `pic`: a widget that keeps what is drawn on it in a persistent
// image until the next Cls, with the picture box's drawing state (current position, colours, pen
// width, font) and operations (Print, Line, RoundRect, StretchBlt, PaintPicture). It turns them
// into whole-pixel operations of the pixel engine (raster/Raster.h), which draws them; painting
// the widget only shows the engine's image, which follows the widget's size. Colours are the
// console's 32-bit values (red + 256 * green + 65536 * blue, or a system colour).
#include "raster/Raster.h"

#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <array>
#include <map>
#include <vector>

class CMemoryDC;

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
    void setDrawThreads(int threads) { surface_.setThreads(threads); }
    int DrawThreads() const { return surface_.Threads(); }

    // A run of operations kept to be drawn again: what the calls between BeginList and EndList
    // collected, with the drawing state they left. Replaying it moved by (dx, dy) whole pixels
    // gives the pixels of making the same calls again at the moved place, provided that every
    // position in them would have moved by exactly that much.
    class OpList {
    public:
        bool isEmpty() const { return ops_.isEmpty(); }
        // The largest distance from 0, across or down, of the whole-pixel positions its
        // operations were given (0 for an empty list).
        int Extent() const { return ops_.Extent(); }

    private:
        friend class PictureBox;
        ov::raster::OpList ops_;
        struct DrawState {
            float currentX, currentY;
            qint32 foreColor, backColor, fillColor;
            int fillStyle, drawWidth, stretchMode;
            float fontSize;
            bool bold, italic, underline;
        } end_{};
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
    ov::raster::GlyphFont& font() const;
    // Gives the image the widget's size; a hidden widget gets its resize event only when shown.
    void followSize() const;
    void changed();
    void record(DrawnItem item);
    OpList::DrawState state() const;
    // A colour as pixel value; system colours are looked up once per picture (until Cls).
    QRgb rgb(qint32 color) const;

    mutable ov::raster::Surface surface_;
    float currentX_ = 0, currentY_ = 0;
    qint32 foreColor_ = 0;
    qint32 backColor_;
    qint32 fillColor_ = 0;
    int fillStyle_ = kFillTransparent;
    int drawWidth_ = 1;
    float fontSize_ = 8.25f;
    bool bold_ = false, italic_ = false, underline_ = false;
    int stretchMode_ = kStretchColorOnColor;
    bool updatePending_ = false;
    bool recording_ = false;
    std::vector<DrawnItem> drawn_;

    // The face of the current font, looked up again after a font change or once the engine has
    // dropped its faces.
    mutable ov::raster::GlyphFont* currentFont_ = nullptr;
    mutable quint64 currentFontGeneration_ = 0;
    mutable std::vector<std::pair<qint32, QRgb>> systemColors_;
    // Scaled copies made by StretchBlt, by source image and geometry.
    std::map<std::array<qint64, 8>, QImage> stretched_;
};
