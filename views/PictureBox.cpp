// The diagram's drawing surface: drawing state, operations handed to the pixel engine, and the
// widget that shows the engine's image and reports the mouse.
#include "views/PictureBox.h"

#include "core/text.h"

#include "views/CMemoryDC.h"
#include "views/modColor.h"

#include <QFile>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

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
    surface_.Resize(size(), toRgb(backColor_));
    surface_.Clear(toRgb(backColor_));
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
    if (currentFont_ && currentFontGeneration_ == surface_.FaceGeneration()) return *currentFont_;
    QFont f(QString::fromLatin1(kFamily));
    f.setPointSizeF(fontSize_);
    f.setBold(bold_);
    f.setItalic(italic_);
    currentFont_ = &surface_.Face(f);
    currentFontGeneration_ = surface_.FaceGeneration();
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
    surface_.Clear(rgb(backColor_));
    changed();
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
    const int width =
        surface_.Text(px(currentX_), px(currentY_), text, f, rgb(foreColor_), underline_);
    changed();
    if (recording_) {
        DrawnItem item;
        item.kind = DrawnItem::Kind::Text;
        item.text = text;
        item.rect = QRectF(currentX_, currentY_, width, f.Height());
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
    surface_.Line(px(x1), px(y1), px(x2), px(y2), drawWidth_, rgb(color));
    changed();
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
    surface_.Box(px(x1), px(y1), px(x2), px(y2), rgb(color));
    changed();
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
    surface_.RoundRect(left, top, right, bottom, ellipseWidth, ellipseHeight, rgb(foreColor_),
                       drawWidth_, filled ? std::optional(rgb(fillColor_)) : std::nullopt);
    changed();
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
    surface_.Picture(x, y, it->second);
    changed();
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
    surface_.Picture(px(x), px(y), picture);
    changed();
    if (recording_) {
        DrawnItem item;
        item.kind = DrawnItem::Kind::Picture;
        item.rect = QRectF(QPointF(x, y), QSizeF(picture.size()));
        record(std::move(item));
    }
}

PictureBox::OpList::DrawState PictureBox::state() const {
    return {currentX_,  currentY_,    foreColor_, backColor_, fillColor_, fillStyle_,
            drawWidth_, stretchMode_, fontSize_,  bold_,      italic_,    underline_};
}

void PictureBox::BeginList() {
    surface_.BeginList();
}

PictureBox::OpList PictureBox::EndList() {
    OpList list;
    ov::raster::OpList ops = surface_.EndList();
    if (recording_ || ops.isEmpty()) return list;
    list.ops_ = std::move(ops);
    list.end_ = state();
    return list;
}

bool PictureBox::Replay(const OpList& list, int dx, int dy) {
    if (recording_) return false;
    followSize();
    if (!surface_.Replay(list.ops_, dx, dy)) return false;
    changed();
    const OpList::DrawState& s = list.end_;
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

void PictureBox::paintEvent(QPaintEvent*) {
    updatePending_ = false;
    QPainter p(this);
    p.drawImage(0, 0, Image());
}

void PictureBox::followSize() const {
    // What was drawn stays where it was; new room shows the back colour.
    surface_.Resize(QSize(ScaleWidth(), ScaleHeight()), toRgb(backColor_));
}

const QImage& PictureBox::Image() const {
    followSize();
    return surface_.Image();
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
