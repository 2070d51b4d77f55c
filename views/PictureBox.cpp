// The diagram's drawing surface: drawing state, operations on the persistent image, and the
// widget that shows it and reports the mouse.
#include "views/PictureBox.h"

#include "core/text.h"

#include "views/CMemoryDC.h"
#include "views/DiagramRaster.h"
#include "views/modColor.h"

#include <QFile>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

constexpr auto kFamily = "Tahoma";

// Whole pixels as the desktop's drawing calls take them: nearest, halves to even.
int px(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp(std::nearbyint(v), -1.0e9, 1.0e9));
}

QRgb toRgb(qint32 color) {
    const qint32 plain = color < 0 ? TranslateColor(color, 0) : color;
    const quint32 v = plain == -1 ? 0xffffffu : quint32(plain); // unresolvable: all channels 255
    return qRgb(int(v & 0xffu), int((v >> 8) & 0xffu), int((v >> 16) & 0xffu));
}

} // namespace

bool EnsureTahomaFont() {
    if (QFontDatabase::hasFamily(kFamily)) return true;
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(file)) QFontDatabase::addApplicationFont(file);
    return QFontDatabase::hasFamily(kFamily);
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), backColor_(SystemColor(5)) {
    setObjectName(QStringLiteral("pic"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    image_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image_.fill(toRgb(backColor_));
}

PictureBox::~PictureBox() = default;

void PictureBox::setDrawWidth(int width) {
    drawWidth_ = std::max(width, 1);
}

void PictureBox::setFontSize(float size) {
    if (!(size > 0) || !std::isfinite(size)) return;
    size = std::min(size, 500.0f);
    if (size == fontSize_) return;
    fontSize_ = size;
    currentFont_ = nullptr;
}

void PictureBox::setFontBold(bool on) {
    if (on == bold_) return;
    bold_ = on;
    currentFont_ = nullptr;
}

void PictureBox::setFontItalic(bool on) {
    if (on == italic_) return;
    italic_ = on;
    currentFont_ = nullptr;
}

ov::raster::GlyphFont& PictureBox::font() const {
    if (currentFont_) return *currentFont_;
    auto& slot = fonts_[{fontSize_, bold_, italic_}];
    if (!slot) {
        // Faces of sizes no longer in use are dropped once many have gathered.
        if (fonts_.size() > 256) {
            flush(); // collected texts refer to the faces
            fonts_.clear();
            ++fontGeneration_;
            return font();
        }
        QFont f(QString::fromLatin1(kFamily));
        f.setPointSizeF(fontSize_);
        f.setBold(bold_);
        f.setItalic(italic_);
        slot = std::make_unique<ov::raster::GlyphFont>(f, image_.logicalDpiY());
    }
    currentFont_ = slot.get();
    return *currentFont_;
}

void PictureBox::changed() {
    if (updatePending_) return;
    updatePending_ = true;
    update();
}

void PictureBox::record(DrawnItem item) {
    if (recording_) drawn_.push_back(std::move(item));
}

void PictureBox::setRecording(bool on) {
    recording_ = on;
    if (!on) drawn_.clear();
}

void PictureBox::Cls() {
    followSize();
    systemColors_.clear(); // the desktop's colours may have changed since the last picture
    // Whatever was collected would be covered anyway.
    pending_.clear();
    pendingRows_.clear();
    images_.clear();
    texts_.clear();
    lists_.clear();
    ++pendingEpoch_;
    Pending op;
    op.kind = Pending::Kind::Fill;
    op.color = rgb(backColor_);
    queue(op, {0, image_.height()});
    currentX_ = currentY_ = 0;
    drawn_.clear();
}

QRgb PictureBox::rgb(qint32 color) const {
    if (color >= 0) return toRgb(color);
    for (const auto& [system, value] : systemColors_)
        if (system == color) return value;
    const QRgb value = toRgb(color);
    if (systemColors_.size() < 32) systemColors_.emplace_back(color, value);
    return value;
}

float PictureBox::TextWidth(const QString& text) const {
    return float(font().TextWidth(text));
}

float PictureBox::TextHeight(const QString&) const {
    return float(font().Height());
}

void PictureBox::Print(const QString& text) {
    followSize();
    auto& f = font();
    const int width = f.TextWidth(text); // makes the glyphs here, before any band draws them
    Pending op;
    op.kind = Pending::Kind::Text;
    op.x1 = px(currentX_);
    op.y1 = px(currentY_);
    op.width = width;
    op.color = rgb(foreColor_);
    op.underline = underline_;
    op.font = &f;
    texts_.push_back(text);
    op.chars = texts_.back().constData(); // they stay where they are when the vector grows
    op.length = int(std::min<qsizetype>(text.size(), INT_MAX));
    queue(op, {op.y1 + f.InkTop(), op.y1 + f.InkBottom()}); // the glyphs are made by now
    if (recording_) {
        DrawnItem item;
        item.kind = DrawnItem::Kind::Text;
        item.text = text;
        item.rect = QRectF(currentX_, currentY_, f.TextWidth(text), f.Height());
        item.color = foreColor_;
        item.fontSize = fontSize_;
        item.bold = bold_;
        item.italic = italic_;
        item.underline = underline_;
        record(std::move(item));
    }
    currentX_ = 0;
    currentY_ += float(f.Height());
}

void PictureBox::Line(float x1, float y1, float x2, float y2, qint32 color) {
    followSize();
    Pending op;
    op.kind = Pending::Kind::Line;
    op.x1 = px(x1);
    op.y1 = px(y1);
    op.x2 = px(x2);
    op.y2 = px(y2);
    op.width = drawWidth_;
    op.color = rgb(color);
    queue(op, {std::min(op.y1, op.y2) - drawWidth_, std::max(op.y1, op.y2) + drawWidth_ + 1});
    if (recording_) {
        DrawnItem item;
        item.kind = DrawnItem::Kind::Line;
        item.line = QLineF(x1, y1, x2, y2);
        item.color = color;
        item.width = drawWidth_;
        record(std::move(item));
    }
    currentX_ = x2;
    currentY_ = y2;
}

void PictureBox::LineBoxFilled(float x1, float y1, float x2, float y2, qint32 color) {
    followSize();
    Pending op;
    op.kind = Pending::Kind::Box;
    op.x1 = px(x1);
    op.y1 = px(y1);
    op.x2 = px(x2);
    op.y2 = px(y2);
    op.color = rgb(color);
    queue(op, {std::min(op.y1, op.y2), std::max(op.y1, op.y2) + 1});
    if (recording_) {
        DrawnItem item;
        item.kind = DrawnItem::Kind::Box;
        item.rect = QRectF(QPointF(x1, y1), QPointF(x2, y2));
        item.color = color;
        record(std::move(item));
    }
    currentX_ = x2;
    currentY_ = y2;
}

void PictureBox::RoundRect(int left, int top, int right, int bottom, int ellipseWidth,
                           int ellipseHeight) {
    followSize();
    const bool filled = fillStyle_ == kFillSolid;
    Pending op;
    op.kind = Pending::Kind::RoundRect;
    op.x1 = left;
    op.y1 = top;
    op.x2 = right;
    op.y2 = bottom;
    op.ellipseWidth = ellipseWidth;
    op.ellipseHeight = ellipseHeight;
    op.width = drawWidth_;
    op.color = rgb(foreColor_);
    op.fill = rgb(fillColor_);
    op.filled = filled;
    queue(op, {std::min(top, bottom), std::max(top, bottom)});
    if (recording_) {
        DrawnItem item;
        item.kind = DrawnItem::Kind::RoundRect;
        item.rect = QRectF(QPointF(left, top), QPointF(right, bottom));
        item.color = foreColor_;
        item.fillColor = filled ? fillColor_ : -1;
        item.width = drawWidth_;
        record(std::move(item));
    }
}

void PictureBox::StretchBlt(int x, int y, int width, int height, const CMemoryDC& src, int srcX,
                            int srcY, int srcWidth, int srcHeight) {
    followSize();
    if (width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0) return;
    const std::array<qint64, 8> key{
        src.hDC().cacheKey(), srcX, srcY, srcWidth, srcHeight, width, height, stretchMode_};
    auto it = stretched_.find(key);
    if (it == stretched_.end()) {
        if (stretched_.size() > 2048) stretched_.clear();
        QImage scaled(width, height, QImage::Format_ARGB32_Premultiplied);
        scaled.fill(Qt::transparent);
        {
            QPainter p(&scaled);
            const QRect to(0, 0, width, height), from(srcX, srcY, srcWidth, srcHeight);
            // Half-tone is the smooth copy of the surfaces; other modes pick whole pixels.
            if (stretchMode_ == kStretchHalftone)
                ::StretchBlt(p, to, src, from);
            else
                p.drawImage(to, src.hDC(), from);
        }
        // An opaque copy (flags are) is drawn row by row without blending.
        bool opaque = true;
        for (int j = 0; j < height && opaque; ++j) {
            const auto* row = reinterpret_cast<const QRgb*>(scaled.constScanLine(j));
            for (int i = 0; i < width && opaque; ++i)
                opaque = qAlpha(row[i]) == 255;
        }
        if (opaque) scaled = scaled.convertToFormat(QImage::Format_RGB32);
        it = stretched_.emplace(key, std::move(scaled)).first;
    }
    Pending op;
    op.kind = Pending::Kind::Image;
    op.x1 = x;
    op.y1 = y;
    op.index = int(images_.size());
    images_.push_back(it->second);
    queue(op, {y, y + height});
    if (recording_) {
        DrawnItem item;
        item.kind = DrawnItem::Kind::Stretch;
        item.rect = QRectF(x, y, width, height);
        record(std::move(item));
    }
}

void PictureBox::PaintPicture(const QImage& picture, float x, float y) {
    followSize();
    if (picture.isNull()) return;
    Pending op;
    op.kind = Pending::Kind::Image;
    op.x1 = px(x);
    op.y1 = px(y);
    op.index = int(images_.size());
    images_.push_back(picture.format() == QImage::Format_RGB32 ||
                              picture.format() == QImage::Format_ARGB32_Premultiplied
                          ? picture
                          : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    queue(op, {op.y1, op.y1 + picture.height()});
    if (recording_) {
        DrawnItem item;
        item.kind = DrawnItem::Kind::Picture;
        item.rect = QRectF(QPointF(x, y), QSizeF(picture.size()));
        record(std::move(item));
    }
}

struct OpListData {
    std::vector<PictureBox::Pending> ops; // index: in images; text: in chars
    std::vector<PictureBox::Rows> rows;   // for each of ops
    std::vector<QImage> images;
    QString chars;           // the texts one after the other, read together by a band
    int top = 0, bottom = 0; // the rows the operations may touch, bottom excluded
    int extent = 0;          // see OpList::Extent
    quint64 fontGeneration = 0;
    PictureBox::DrawState end{};
};

int PictureBox::OpList::Extent() const {
    return data_ ? data_->extent : 0;
}

PictureBox::DrawState PictureBox::state() const {
    return {currentX_,  currentY_,    foreColor_, backColor_, fillColor_, fillStyle_,
            drawWidth_, stretchMode_, fontSize_,  bold_,      italic_,    underline_};
}

void PictureBox::BeginList() {
    listStart_ = pending_.size();
    listEpoch_ = pendingEpoch_;
}

PictureBox::OpList PictureBox::EndList() {
    OpList list;
    const bool whole = listEpoch_ == pendingEpoch_ && listStart_ <= pending_.size();
    listEpoch_ = ~quint64(0);
    if (recording_ || !whole) return list;
    auto data = std::make_shared<OpListData>();
    data->ops.assign(pending_.begin() + qsizetype(listStart_), pending_.end());
    data->rows.assign(pendingRows_.begin() + qsizetype(listStart_), pendingRows_.end());
    bool first = true;
    for (size_t i = 0; i < data->ops.size(); ++i) {
        Pending& op = data->ops[i];
        if (op.kind == Pending::Kind::List) return list; // lists are not kept within lists
        const Rows rows = data->rows[i];
        data->top = first ? rows.top : std::min(data->top, rows.top);
        data->bottom = first ? rows.bottom : std::max(data->bottom, rows.bottom);
        first = false;
        for (const int v : {op.x1, op.y1, op.x2, op.y2})
            data->extent = std::max(data->extent, v == INT_MIN ? INT_MAX : std::abs(v));
        if (op.kind == Pending::Kind::Image) {
            data->images.push_back(images_[size_t(op.index)]);
            op.index = int(data->images.size()) - 1;
        }
        if (op.kind == Pending::Kind::Text) data->chars.append(op.chars, op.length);
    }
    qsizetype at = 0; // where each text now is, once they are all in
    for (Pending& op : data->ops)
        if (op.kind == Pending::Kind::Text) {
            op.chars = data->chars.constData() + at;
            at += op.length;
        }
    data->fontGeneration = fontGeneration_;
    data->end = state();
    list.data_ = std::move(data);
    return list;
}

bool PictureBox::Replay(const OpList& list, int dx, int dy) {
    constexpr int kFar = 1 << 24; // beyond any surface; keeps the moved positions in range
    if (!list.data_ || recording_ || std::abs(dx) > kFar || std::abs(dy) > kFar) return false;
    const OpListData& data = *list.data_;
    if (data.fontGeneration != fontGeneration_) return false;
    followSize();
    // Whatever flush the queue needs comes before the list is kept beside the operation.
    if (pending_.size() >= 1000000) flush();
    // One operation stands for the whole list; the bands find its own operations in it.
    Pending op;
    op.kind = Pending::Kind::List;
    op.x1 = dx;
    op.y1 = dy;
    op.index = int(lists_.size());
    lists_.push_back(list.data_);
    queue(op, {data.top + dy, data.bottom + dy});
    const DrawState& s = data.end;
    currentX_ = s.currentX + float(dx);
    currentY_ = s.currentY + float(dy);
    foreColor_ = s.foreColor;
    backColor_ = s.backColor;
    fillColor_ = s.fillColor;
    fillStyle_ = s.fillStyle;
    drawWidth_ = s.drawWidth;
    stretchMode_ = s.stretchMode;
    if (s.fontSize != fontSize_ || s.bold != bold_ || s.italic != italic_) currentFont_ = nullptr;
    fontSize_ = s.fontSize;
    bold_ = s.bold;
    italic_ = s.italic;
    underline_ = s.underline;
    return true;
}

// One operation as a band draws it: moved by (dx, dy), with the pictures its image index refers
// to. A text has what GlyphFont::Hidden found for it; an opaque shape or picture is drawn as the
// runs of it that are not painted over later (count of them from first in the band's spans).
struct PictureBox::Step {
    const Pending* op;
    int dx, dy;
    const std::vector<QImage>* images;
    int covered = -1;
    int first = 0, count = -1; // count -1: drawn whole
};

// A band's steps, those of replayed lists in place; the columns covered over texts; the runs of
// opaque paint to draw; the cover.
struct PictureBox::BandScratch {
    std::vector<Step> steps;
    std::vector<quint64> covered;
    std::vector<ov::raster::Span> spans;
    ov::raster::Cover cover;
};

void PictureBox::drawOp(const ov::raster::Canvas& cv, const Step& step,
                        const BandScratch& scratch) {
    const Pending& op = *step.op;
    const int dx = step.dx, dy = step.dy;
    const ov::raster::Span* spans = scratch.spans.data() + step.first;
    switch (op.kind) {
    case Pending::Kind::Fill:
    case Pending::Kind::Box:
        ov::raster::FillSpans(cv, spans, step.count);
        break;
    case Pending::Kind::RoundRect:
        if (step.count >= 0)
            ov::raster::FillSpans(cv, spans, step.count);
        else
            ov::raster::RoundRectOutline(cv, op.x1 + dx, op.y1 + dy, op.x2 + dx, op.y2 + dy,
                                         op.ellipseWidth, op.ellipseHeight, op.color, op.width);
        break;
    case Pending::Kind::Line:
        ov::raster::Line(cv, op.x1 + dx, op.y1 + dy, op.x2 + dx, op.y2 + dy, op.width, op.color);
        break;
    case Pending::Kind::Text:
        if (step.covered != ov::raster::GlyphFont::kAllHidden)
            op.font->Draw(cv, op.x1 + dx, op.y1 + dy, op.width, op.text(), op.color,
                          step.covered >= 0 ? scratch.covered.data() + step.covered : nullptr);
        if (op.underline) op.font->Underline(cv, op.x1 + dx, op.y1 + dy, op.width, op.color);
        break;
    case Pending::Kind::Image: {
        const QImage& picture = (*step.images)[size_t(op.index)];
        if (step.count >= 0)
            ov::raster::CopySpans(cv, op.x1 + dx, op.y1 + dy, picture, spans, step.count);
        else
            ov::raster::DrawImage(cv, op.x1 + dx, op.y1 + dy, picture);
        break;
    }
    case Pending::Kind::List: // flush draws a list's operations one by one
        break;
    }
}

void PictureBox::hide(BandScratch& scratch, const Pending& op, int dx, int dy,
                      const std::vector<QImage>& images) {
    auto& [steps, covered, spans, cover] = scratch;
    Step step{&op, dx, dy, &images};
    const int first = int(spans.size());
    switch (op.kind) {
    case Pending::Kind::Fill:
        cover.All(op.color, spans);
        step.count = int(spans.size()) - first;
        break;
    case Pending::Kind::Box:
        cover.Box(op.x1 + dx, op.y1 + dy, op.x2 + dx, op.y2 + dy, op.color, spans);
        step.count = int(spans.size()) - first;
        break;
    case Pending::Kind::RoundRect: // without a fill only the outline is painted
        if (op.filled) {
            cover.RoundRect(op.x1 + dx, op.y1 + dy, op.x2 + dx, op.y2 + dy, op.ellipseWidth,
                            op.ellipseHeight, op.color, op.width, op.fill, spans);
            step.count = int(spans.size()) - first;
        }
        break;
    case Pending::Kind::Image: {
        const QImage& picture = images[size_t(op.index)]; // RGB32 pictures are copied as they are
        if (!picture.isNull() && picture.format() == QImage::Format_RGB32) {
            cover.Box(op.x1 + dx, op.y1 + dy, op.x1 + dx + picture.width() - 1,
                      op.y1 + dy + picture.height() - 1, 0, spans);
            step.count = int(spans.size()) - first;
        }
        break;
    }
    case Pending::Kind::Text:
        step.covered = op.font->Hidden(cover, op.x1 + dx, op.y1 + dy, op.width, op.text(), covered);
        if (step.covered == ov::raster::GlyphFont::kAllHidden && !op.underline) return;
        break;
    case Pending::Kind::Line: // lines are too thin to hide much
    case Pending::Kind::List:
        break;
    }
    if (step.count == 0) return; // painted over entirely
    step.first = first;
    steps.push_back(step);
}

void PictureBox::paintEvent(QPaintEvent*) {
    updatePending_ = false;
    QPainter p(this);
    p.drawImage(0, 0, Image());
}

void PictureBox::followSize() const {
    const QSize wanted(ScaleWidth(), ScaleHeight());
    if (wanted == image_.size()) return;
    flush(); // what was collected belongs to the old size
    // What was drawn stays where it was; new room shows the back colour.
    QImage grown(wanted, QImage::Format_RGB32);
    grown.setDotsPerMeterX(image_.dotsPerMeterX());
    grown.setDotsPerMeterY(image_.dotsPerMeterY());
    grown.fill(toRgb(backColor_));
    const int rows = std::min(grown.height(), image_.height());
    const int bytes = std::min(grown.width(), image_.width()) * 4;
    for (int y = 0; y < rows; ++y)
        std::memcpy(grown.scanLine(y), image_.constScanLine(y), size_t(bytes));
    image_ = std::move(grown);
}

const QImage& PictureBox::Image() const {
    followSize();
    flush();
    return image_;
}

void PictureBox::queue(const Pending& op, Rows rows) {
    // Drawing that is never shown (no Cls, no painting) must not gather without end.
    if (pending_.size() >= 1000000) flush();
    pending_.push_back(op);
    pendingRows_.push_back(rows);
    changed();
}

namespace {

// Threads that draw bands of the surface beside the calling thread.
QThreadPool& bandPool() {
    static QThreadPool pool;
    return pool;
}

} // namespace

void PictureBox::flush() const {
    if (pending_.empty()) return;
    const ov::raster::Canvas whole(image_); // the one place the image is touched for writing
    const int rows = whole.height;
    int threads = drawThreads_ > 0 ? drawThreads_ : QThread::idealThreadCount();
    const bool many = pending_.size() >= 64 && rows >= 64;
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
    for (const Rows r : pendingRows_) {
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
        for (size_t i = 0; i < pendingRows_.size(); ++i) {
            const Rows r = pendingRows_[i];
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
            ov::raster::Canvas cv = whole;
            cv.top = bandTop[size_t(b)];
            cv.bottom = bandTop[size_t(b) + 1];
            scratch.steps.clear();
            scratch.covered.clear();
            scratch.spans.clear();
            scratch.cover.Reset(cv);
            // From the last operation back, noting what ends up under opaque paint; then drawn
            // from the first on.
            for (int k = start[size_t(b) + 1] - 1; k >= start[size_t(b)]; --k) {
                const Pending& op = pending_[size_t(ops[size_t(k)])];
                if (op.kind != Pending::Kind::List) {
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
    pending_.clear();
    pendingRows_.clear();
    images_.clear();
    texts_.clear();
    lists_.clear();
    ++pendingEpoch_;
}

void PictureBox::resizeEvent(QResizeEvent*) {
    followSize();
    emit Resize();
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    emit MouseDown(ov::ButtonBits(event->button()), ov::ShiftBits(event->modifiers()),
                   float(pos.x()), float(pos.y()));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    emit MouseMove(ov::ButtonBits(event->buttons()), ov::ShiftBits(event->modifiers()),
                   float(pos.x()), float(pos.y()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    emit MouseUp(ov::ButtonBits(event->button()), ov::ShiftBits(event->modifiers()), float(pos.x()),
                 float(pos.y()));
}
