// The engine's surface: operations collected in order, and carried out in bands of rows on the
// calling thread and the engine's pool, leaving out what later opaque paint covers.
#include "raster/Raster.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <climits>
#include <cstring>

namespace ov::raster {

// One collected operation: one cache line, as every band reads through them. The rows it may
// touch are kept apart (Rows).
struct alignas(64) Surface::Op {
    // List: the operations of a replayed list, moved by (x1, y1).
    enum class Kind : quint8 { Fill, Box, RoundRect, Line, Text, Image, List };
    Kind kind = Kind::Fill;
    bool filled = false, underline = false;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int ellipseWidth = 0, ellipseHeight = 0, width = 1; // Text: width is its TextWidth
    QRgb color = 0, fill = 0;
    int index = -1; // Image: index in images_; List: index in lists_
    int length = 0; // Text: characters
    const GlyphFont* font = nullptr;
    const QChar* chars = nullptr; // Text: kept alive by texts_ or by a list in lists_
    QStringView text() const { return {chars, length}; }
};
struct OpListData {
    std::vector<Surface::Op> ops; // index: in images; text: in chars
    std::vector<Surface::Rows> rows;
    std::vector<QImage> images;
    QString chars;           // the texts one after the other, read together by a band
    int top = 0, bottom = 0; // the rows the operations may touch, bottom excluded
    int extent = 0;          // see OpList::Extent
    quint64 faceGeneration = 0;
};

int OpList::Extent() const {
    return data_ ? data_->extent : 0;
}

// One operation as a band draws it: moved by (dx, dy), with the pictures its image index refers
// to. A text has what GlyphFont::Hidden found for it; an opaque shape or picture is drawn as the
// runs of it that are not painted over later (count of them from first in the band's spans).
struct Surface::Step {
    const Op* op;
    int dx, dy;
    const std::vector<QImage>* images;
    int covered = -1;
    int first = 0, count = -1; // count -1: drawn whole
};

// A band's steps, those of replayed lists in place; the columns covered over texts; the runs of
// opaque paint to draw; the cover.
struct Surface::BandScratch {
    std::vector<Step> steps;
    std::vector<quint64> covered;
    std::vector<Span> spans;
    Cover cover;
};

Surface::Surface() : image_(1, 1, QImage::Format_RGB32) {
    image_.fill(0xffffffffu);
}

Surface::~Surface() = default;

void Surface::Resize(QSize size, QRgb fill) {
    size = size.expandedTo(QSize(1, 1));
    if (size == image_.size()) return;
    flush(); // what was collected belongs to the old size
    QImage grown(size, QImage::Format_RGB32);
    grown.setDotsPerMeterX(image_.dotsPerMeterX());
    grown.setDotsPerMeterY(image_.dotsPerMeterY());
    grown.fill(fill | 0xff000000u);
    const int rows = std::min(grown.height(), image_.height());
    const int bytes = std::min(grown.width(), image_.width()) * 4;
    for (int y = 0; y < rows; ++y)
        std::memcpy(grown.scanLine(y), image_.constScanLine(y), size_t(bytes));
    image_ = std::move(grown);
}

GlyphFont& Surface::Face(const QFont& font) {
    auto& slot = faces_[{font.family(), font.pointSizeF(), font.bold(), font.italic()}];
    if (slot) return *slot;
    // Faces of sizes no longer in use are dropped once many have gathered.
    if (faces_.size() > 256) {
        flush(); // collected texts refer to the faces
        faces_.clear();
        ++faceGeneration_;
        return Face(font);
    }
    slot = std::make_unique<GlyphFont>(font, image_.logicalDpiY());
    return *slot;
}

void Surface::dropCollected() {
    ops_.clear();
    rows_.clear();
    images_.clear();
    texts_.clear();
    lists_.clear();
    ++epoch_;
}

void Surface::queue(const Op& op, Rows rows) {
    static_assert(sizeof(Op) == 64);
    // Drawing that is never read must not gather without end.
    if (ops_.size() >= 1000000) flush();
    ops_.push_back(op);
    rows_.push_back(rows);
}

void Surface::Clear(QRgb color) {
    dropCollected(); // it would be covered anyway
    Op op;
    op.kind = Op::Kind::Fill;
    op.color = color;
    queue(op, {0, image_.height()});
}

void Surface::Box(int x1, int y1, int x2, int y2, QRgb color) {
    Op op;
    op.kind = Op::Kind::Box;
    op.x1 = x1;
    op.y1 = y1;
    op.x2 = x2;
    op.y2 = y2;
    op.color = color;
    queue(op, {std::min(y1, y2), std::max(y1, y2) + 1});
}

void Surface::RoundRect(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight, QRgb pen, int penWidth, std::optional<QRgb> fill) {
    Op op;
    op.kind = Op::Kind::RoundRect;
    op.x1 = left;
    op.y1 = top;
    op.x2 = right;
    op.y2 = bottom;
    op.ellipseWidth = ellipseWidth;
    op.ellipseHeight = ellipseHeight;
    op.width = penWidth;
    op.color = pen;
    op.fill = fill.value_or(0);
    op.filled = fill.has_value();
    queue(op, {std::min(top, bottom), std::max(top, bottom)});
}

void Surface::Line(int x1, int y1, int x2, int y2, int width, QRgb color) {
    Op op;
    op.kind = Op::Kind::Line;
    op.x1 = x1;
    op.y1 = y1;
    op.x2 = x2;
    op.y2 = y2;
    op.width = width;
    op.color = color;
    queue(op, {std::min(y1, y2) - width, std::max(y1, y2) + width + 1});
}

int Surface::Text(int x, int y, const QString& text, GlyphFont& face, QRgb color, bool underline) {
    Op op;
    op.kind = Op::Kind::Text;
    op.x1 = x;
    op.y1 = y;
    op.width = face.TextWidth(text); // makes the glyphs here, before any band draws them
    op.color = color;
    op.underline = underline;
    op.font = &face;
    texts_.push_back(text);
    op.chars = texts_.back().constData(); // they stay where they are when the vector grows
    op.length = int(std::min<qsizetype>(text.size(), INT_MAX));
    queue(op, {y + face.InkTop(), y + face.InkBottom()}); // the glyphs are made by now
    return op.width;
}

void Surface::Picture(int x, int y, const QImage& picture) {
    if (picture.isNull()) return;
    Op op;
    op.kind = Op::Kind::Image;
    op.x1 = x;
    op.y1 = y;
    op.index = int(images_.size());
    images_.push_back(picture.format() == QImage::Format_RGB32 ||
                              picture.format() == QImage::Format_ARGB32_Premultiplied
                          ? picture
                          : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    queue(op, {y, y + picture.height()});
}

void Surface::BeginList() {
    listStart_ = ops_.size();
    listEpoch_ = epoch_;
}

OpList Surface::EndList() {
    OpList list;
    const bool whole = listEpoch_ == epoch_ && listStart_ <= ops_.size();
    listEpoch_ = ~quint64(0);
    if (!whole) return list;
    auto data = std::make_shared<OpListData>();
    data->ops.assign(ops_.begin() + qsizetype(listStart_), ops_.end());
    data->rows.assign(rows_.begin() + qsizetype(listStart_), rows_.end());
    bool first = true;
    for (size_t i = 0; i < data->ops.size(); ++i) {
        Op& op = data->ops[i];
        if (op.kind == Op::Kind::List) return list; // lists are not kept within lists
        const Rows rows = data->rows[i];
        data->top = first ? rows.top : std::min(data->top, rows.top);
        data->bottom = first ? rows.bottom : std::max(data->bottom, rows.bottom);
        first = false;
        for (const int v : {op.x1, op.y1, op.x2, op.y2})
            data->extent = std::max(data->extent, v == INT_MIN ? INT_MAX : std::abs(v));
        if (op.kind == Op::Kind::Image) {
            data->images.push_back(images_[size_t(op.index)]);
            op.index = int(data->images.size()) - 1;
        }
        if (op.kind == Op::Kind::Text) data->chars.append(op.chars, op.length);
    }
    qsizetype at = 0; // where each text now is, once they are all in
    for (Op& op : data->ops)
        if (op.kind == Op::Kind::Text) {
            op.chars = data->chars.constData() + at;
            at += op.length;
        }
    data->faceGeneration = faceGeneration_;
    list.data_ = std::move(data);
    return list;
}

bool Surface::Replay(const OpList& list, int dx, int dy) {
    constexpr int kFar = 1 << 24; // beyond any surface; keeps the moved positions in range
    if (!list.data_ || std::abs(dx) > kFar || std::abs(dy) > kFar) return false;
    const OpListData& data = *list.data_;
    if (data.faceGeneration != faceGeneration_) return false;
    // Whatever flush the queue needs comes before the list is kept beside the operation.
    if (ops_.size() >= 1000000) flush();
    // One operation stands for the whole list; the bands find its own operations in it.
    Op op;
    op.kind = Op::Kind::List;
    op.x1 = dx;
    op.y1 = dy;
    op.index = int(lists_.size());
    lists_.push_back(list.data_);
    queue(op, {data.top + dy, data.bottom + dy});
    return true;
}

const QImage& Surface::Image() {
    flush();
    return image_;
}

void Surface::drawOp(const Canvas& cv, const Step& step, const BandScratch& scratch) {
    const Op& op = *step.op;
    const int dx = step.dx, dy = step.dy;
    const Span* spans = scratch.spans.data() + step.first;
    switch (op.kind) {
    case Op::Kind::Fill:
    case Op::Kind::Box:
        FillSpans(cv, spans, step.count);
        break;
    case Op::Kind::RoundRect:
        if (step.count >= 0)
            FillSpans(cv, spans, step.count);
        else
            RoundRectOutline(cv, op.x1 + dx, op.y1 + dy, op.x2 + dx, op.y2 + dy, op.ellipseWidth,
                             op.ellipseHeight, op.color, op.width);
        break;
    case Op::Kind::Line:
        ov::raster::Line(cv, op.x1 + dx, op.y1 + dy, op.x2 + dx, op.y2 + dy, op.width, op.color);
        break;
    case Op::Kind::Text:
        if (step.covered != GlyphFont::kAllHidden)
            op.font->Draw(cv, op.x1 + dx, op.y1 + dy, op.width, op.text(), op.color,
                          step.covered >= 0 ? scratch.covered.data() + step.covered : nullptr);
        if (op.underline) op.font->Underline(cv, op.x1 + dx, op.y1 + dy, op.width, op.color);
        break;
    case Op::Kind::Image: {
        const QImage& picture = (*step.images)[size_t(op.index)];
        if (step.count >= 0)
            CopySpans(cv, op.x1 + dx, op.y1 + dy, picture, spans, step.count);
        else
            DrawImage(cv, op.x1 + dx, op.y1 + dy, picture);
        break;
    }
    case Op::Kind::List: // flush draws a list's operations one by one
        break;
    }
}

void Surface::hide(BandScratch& scratch, const Op& op, int dx, int dy,
                   const std::vector<QImage>& images) {
    auto& [steps, covered, spans, cover] = scratch;
    Step step{&op, dx, dy, &images};
    const int first = int(spans.size());
    switch (op.kind) {
    case Op::Kind::Fill:
        cover.All(op.color, spans);
        step.count = int(spans.size()) - first;
        break;
    case Op::Kind::Box:
        cover.Box(op.x1 + dx, op.y1 + dy, op.x2 + dx, op.y2 + dy, op.color, spans);
        step.count = int(spans.size()) - first;
        break;
    case Op::Kind::RoundRect: // without a fill only the outline is painted
        if (op.filled) {
            cover.RoundRect(op.x1 + dx, op.y1 + dy, op.x2 + dx, op.y2 + dy, op.ellipseWidth,
                            op.ellipseHeight, op.color, op.width, op.fill, spans);
            step.count = int(spans.size()) - first;
        }
        break;
    case Op::Kind::Image: {
        const QImage& picture = images[size_t(op.index)]; // RGB32 pictures are copied as they are
        if (!picture.isNull() && picture.format() == QImage::Format_RGB32) {
            cover.Box(op.x1 + dx, op.y1 + dy, op.x1 + dx + picture.width() - 1,
                      op.y1 + dy + picture.height() - 1, 0, spans);
            step.count = int(spans.size()) - first;
        }
        break;
    }
    case Op::Kind::Text:
        step.covered = op.font->Hidden(cover, op.x1 + dx, op.y1 + dy, op.width, op.text(), covered);
        if (step.covered == GlyphFont::kAllHidden && !op.underline) return;
        break;
    case Op::Kind::Line: // lines are too thin to hide much
    case Op::Kind::List:
        break;
    }
    if (step.count == 0) return; // painted over entirely
    step.first = first;
    steps.push_back(step);
}

namespace {

// Threads that draw bands of the image beside the calling thread.
QThreadPool& bandPool() {
    static QThreadPool pool;
    return pool;
}

} // namespace

void Surface::flush() {
    if (ops_.empty()) return;
    const Canvas whole(image_); // the one place the image is touched for writing
    const int rows = whole.height;
    int threads = threads_ > 0 ? threads_ : QThread::idealThreadCount();
    const bool many = ops_.size() >= 64 && rows >= 64;
    if (!many) threads = 1;
    // More bands than threads, taken in turn, so that a band crowded with text does not hold the
    // others up.
    const int bands = threads > 1 ? threads * 4 : 1;
    // The operations of each band, in order, found once rather than by every band.
    std::vector<int> bandTop(size_t(bands) + 1);
    for (int b = 0; b <= bands; ++b)
        bandTop[size_t(b)] = rows * b / bands;
    const auto bandOf = [&](int y) {
        return int(std::upper_bound(bandTop.begin() + 1, bandTop.end() - 1, y) - bandTop.begin()) -
               1;
    };
    std::vector<int> start(size_t(bands) + 1, 0);
    const auto span = [&](Rows r) {
        return std::pair{bandOf(std::max(r.top, 0)), bandOf(std::min(r.bottom, rows) - 1)};
    };
    for (const Rows r : rows_) {
        if (r.bottom <= 0 || r.top >= rows || r.bottom <= r.top) continue;
        const auto [first, last] = span(r);
        for (int b = first; b <= last; ++b)
            ++start[size_t(b) + 1];
    }
    for (int b = 0; b < bands; ++b)
        start[size_t(b) + 1] += start[size_t(b)];
    std::vector<int> ops(size_t(start[size_t(bands)]));
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (size_t i = 0; i < rows_.size(); ++i) {
            const Rows r = rows_[i];
            if (r.bottom <= 0 || r.top >= rows || r.bottom <= r.top) continue;
            const auto [first, last] = span(r);
            for (int b = first; b <= last; ++b)
                ops[size_t(fill[size_t(b)]++)] = int(i);
        }
    }
    while (scratch_.size() < size_t(threads))
        scratch_.push_back(std::make_unique<BandScratch>());
    std::atomic<int> next{0};
    const auto work = [&](BandScratch& scratch) {
        for (int b = next++; b < bands; b = next++) {
            Canvas cv = whole;
            cv.top = bandTop[size_t(b)];
            cv.bottom = bandTop[size_t(b) + 1];
            scratch.steps.clear();
            scratch.covered.clear();
            scratch.spans.clear();
            scratch.cover.Reset(cv);
            // From the last operation back, noting what ends up under opaque paint; then drawn
            // from the first on.
            for (int k = start[size_t(b) + 1] - 1; k >= start[size_t(b)]; --k) {
                const Op& op = ops_[size_t(ops[size_t(k)])];
                if (op.kind != Op::Kind::List) {
                    hide(scratch, op, 0, 0, images_);
                    continue;
                }
                const OpListData& list = *lists_[size_t(op.index)]; // it holds no lists
                const int top = cv.top - op.y1, bottom = cv.bottom - op.y1;
                for (size_t i = list.ops.size(); i-- > 0;)
                    if (list.rows[i].bottom > top && list.rows[i].top < bottom)
                        hide(scratch, list.ops[i], op.x1, op.y1, list.images);
            }
            for (auto it = scratch.steps.rbegin(); it != scratch.steps.rend(); ++it)
                drawOp(cv, *it, scratch);
        }
    };
    int helpers = 0;
    QSemaphore done;
    if (threads > 1) {
        QThreadPool& pool = bandPool();
        pool.setMaxThreadCount(std::max(pool.maxThreadCount(), threads - 1));
        // Only threads that are free now help; the calling thread takes whatever is left.
        for (int t = 1; t < threads; ++t) {
            if (!pool.tryStart([&, t] {
                    work(*scratch_[size_t(t)]);
                    done.release();
                }))
                break;
            ++helpers;
        }
    }
    work(*scratch_[0]);
    done.acquire(helpers);
    dropCollected();
}

} // namespace ov::raster
