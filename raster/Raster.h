#pragma once
// The diagram's pixel engine: a persistent RGB32 image and the drawing operations collected for
// it, carried out in bands of rows. The diagram surface (views/PictureBox) is its one user; it
// keeps the drawing state and colours of the console and hands whole-pixel operations here.
//
// What it draws. Clear fills the whole image. Box fills a rectangle, both corners included.
// RoundRect is the desktop's rounded rectangle: left and top included, right and bottom
// excluded, corners cut by an ellipse, the outline penWidth pixels wide inside the shape and the
// fill (if any) inside the outline. Line joins two pixel centres, both ends included, width pixels
// across its major axis. Text lays a face's glyphs side by side by their whole-pixel advances (no
// kerning), the top-left corner of its line at (x, y), each glyph's grey-scale coverage w mixing
// the colour into the picture per channel as (colour * w + pixel * (255 - w)) / 255 rounded to
// the nearest; an underline is a full-width rule. Picture copies an opaque RGB32 picture and
// blends any other by its alpha. Shapes are not antialiased, and everything clips to the image.
//
// In which order. Operations are collected and carried out only when the image is read (Image),
// resized, its glyph faces are dropped, or the collection grows past a million; the pixels are
// always those of carrying out every operation in the order given, each on the result of the ones
// before. Clear drops what was collected before it, since it would cover it.
//
// What a caller may rely on. The picture does not depend on the number of threads or on how the
// rows are split between them. Work that later opaque paint (boxes, filled rounded rectangles,
// opaque pictures, Clear) covers may be left out, with no effect on the pixels. A list of
// operations kept with BeginList/EndList and replayed moved by whole pixels gives the pixels of
// giving those operations again at the moved place. A text's width is the sum of its characters'
// advances, the same wherever it is drawn. Glyphs are made on the calling thread, when a text is
// measured or given. Image() returns with all drawing finished; the reference stays valid until
// the next call.
//
// Threads and caches. The rest of the console runs on one thread and keeps no caches it does not
// have to. The engine departs from that, because the diagram redraws thousands of hosts every
// 10 ms while the operator turns it, more pixel work than one core does in that time:
// - Carrying out the operations splits the image into bands of rows drawn at the same time by
//   the calling thread and threads of a pool of the engine's own. Each band writes only its own
//   rows and only reads the operations, glyph masks and pictures, which nothing changes while
//   they draw; the calling thread waits for every band before it returns, so no thread outlives
//   a call and nothing else ever sees one.
// - Glyph faces (a coverage mask per character) are kept from picture to picture, since zooming
//   comes back to sizes drawn before; past 256 faces all are dropped at once. Each drawing thread
//   keeps its scratch (the cover of a band, its runs) and the rounded corners it worked out, so
//   that a redraw allocates and renders nothing it did the time before.
// A Surface itself is used from one thread at a time, like the rest of the program.
#include "raster/Pixels.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

namespace ov::raster {

struct OpListData;

// A run of operations kept to be drawn again (see Surface::BeginList).
class OpList {
public:
    bool isEmpty() const { return !data_; }
    // The largest distance from 0, across or down, of the whole-pixel positions its operations
    // were given (0 for an empty list).
    int Extent() const;

private:
    friend class Surface;
    std::shared_ptr<const OpListData> data_;
};

class Surface {
public:
    Surface();
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // A new size keeps what was drawn where it was; new room shows fill.
    QSize Size() const { return image_.size(); }
    void Resize(QSize size, QRgb fill);

    // The face of a font at the image's resolution, made on first use and kept. When more than
    // 256 faces have gathered they are all dropped (what was collected is carried out first) and
    // FaceGeneration changes: a face got before must then be got again.
    GlyphFont& Face(const QFont& font);
    quint64 FaceGeneration() const { return faceGeneration_; }

    void Clear(QRgb color);
    void Box(int x1, int y1, int x2, int y2, QRgb color);
    void RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight,
                   QRgb pen, int penWidth, std::optional<QRgb> fill);
    void Line(int x1, int y1, int x2, int y2, int width, QRgb color);
    // The face must be this surface's; answers the text's width.
    int Text(int x, int y, const QString& text, GlyphFont& face, QRgb color, bool underline);
    void Picture(int x, int y, const QImage& picture);

    // The operations given between BeginList and EndList, kept. Empty when the run could not be
    // kept: what was collected was carried out or dropped in between, or it holds a replay.
    void BeginList();
    OpList EndList();
    // Adds the list's operations moved by (dx, dy). False, drawing nothing, when the faces it
    // refers to have since been dropped or the move is beyond 2^24 pixels.
    bool Replay(const OpList& list, int dx, int dy);

    // What is on the image now, everything collected carried out.
    const QImage& Image();

    // Up to this many threads draw at once; 0, the start value, as many as the processor has.
    void setThreads(int threads) { threads_ = std::max(threads, 0); }
    int Threads() const { return threads_; }

private:
    struct Op;
    struct Rows {
        int top = 0, bottom = 0; // the rows an operation may touch, bottom excluded
    };
    struct Step;
    struct BandScratch;
    friend struct OpListData;

    void queue(const Op& op, Rows rows);
    void flush();
    void dropCollected();
    static void hide(BandScratch& scratch, const Op& op, int dx, int dy,
                     const std::vector<QImage>& images);
    static void drawOp(const Canvas& cv, const Step& step, const BandScratch& scratch);

    QImage image_;
    int threads_ = 0;
    std::vector<Op> ops_;
    std::vector<Rows> rows_; // for each of ops_
    // What the collected operations refer to: pictures, texts and the lists replayed.
    std::vector<QImage> images_;
    std::vector<QString> texts_;
    std::vector<std::shared_ptr<const OpListData>> lists_;
    // Counts the times the collection was carried out or dropped: a list begun in one epoch is
    // kept only within it.
    quint64 epoch_ = 0;
    quint64 faceGeneration_ = 0;
    size_t listStart_ = 0;
    quint64 listEpoch_ = ~quint64(0);
    std::map<std::tuple<QString, qreal, bool, bool>, std::unique_ptr<GlyphFont>> faces_;
    std::vector<std::unique_ptr<BandScratch>> scratch_; // one for each drawing thread
};

} // namespace ov::raster
