// Zoom, rotation, mode and bandwidth handling of the diagram, its tool buttons, markers, timers
// and menu actions.
#include "views/DiagramController.h"

#include "core/text.h"

#include "geo/clsHostIP.h"
#include "views/DiagramDrawing.h"
#include "views/DiagramPictures.h"
#include "views/PictureBox.h"

#include <QAction>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <algorithm>

namespace {

constexpr float kZoomStep = 0.5f;
constexpr float kZoomMin = 4.0f;
constexpr float kZoomMax = 36.0f;

// An image button on the diagram: shows its icon and reports the mouse to the controller by its
// index. A click is a left press and release on the button.
class DiagramTool final : public QWidget {
public:
    DiagramTool(int index, DiagramController* owner, const QImage& icon, QWidget* parent)
        : QWidget(parent), index_(index), owner_(owner), icon_(icon) {
        setObjectName(QStringLiteral("tool%1").arg(index));
        setFixedSize(16, 16);
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(rect(), icon_);
    }
    void mousePressEvent(QMouseEvent* e) override {
        pressed_ = e->button() == Qt::LeftButton;
        if (owner_)
            owner_->tool_MouseDown(index_, ov::ButtonBits(e->button()),
                                   ov::ShiftBits(e->modifiers()), float(e->position().x()),
                                   float(e->position().y()));
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const bool click =
            pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
        pressed_ = false;
        if (owner_)
            owner_->tool_MouseUp(index_, ov::ButtonBits(e->button()), ov::ShiftBits(e->modifiers()),
                                 float(e->position().x()), float(e->position().y()));
        if (click && owner_) owner_->tool_Click(index_);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (owner_)
            owner_->tool_MouseMove(index_, ov::ButtonBits(e->buttons()),
                                   ov::ShiftBits(e->modifiers()), float(e->position().x()),
                                   float(e->position().y()));
    }

private:
    int index_;
    QPointer<DiagramController> owner_;
    QImage icon_;
    bool pressed_ = false;
};

// A rounded-rectangle marker behind the tool buttons: filled for an option that is on, an outline
// for the button under the mouse. It lets the mouse through to the diagram.
class DiagramMarker final : public QWidget {
public:
    DiagramMarker(const QString& name, QSize size, bool filled, QWidget* parent)
        : QWidget(parent), filled_(filled) {
        setObjectName(name);
        setFixedSize(size);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor edge = palette().color(QPalette::Highlight);
        QColor fill = edge;
        fill.setAlpha(filled_ ? 70 : 25);
        p.setPen(QPen(edge, 1));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }

private:
    bool filled_;
};

} // namespace

DiagramController::DiagramController(PictureBox* pic, DiagramInputs inputs, QObject* parent)
    : QObject(parent), pic_(pic), inputs_(std::move(inputs)) {
    InitDiagramResources();
    // Solid from the start, so that the first picture's host boxes are filled like every later one.
    pic->setFillStyle(PictureBox::kFillSolid);

    // Markers first: siblings created later lie on top of them.
    sel_[0] = new DiagramMarker(QStringLiteral("sel0"), QSize(20, 20), true, pic);
    sel_[0]->move(13, 14);
    sel_[1] = new DiagramMarker(QStringLiteral("sel1"), QSize(20, 20), true, pic);
    sel_[1]->move(38, 14);
    ssel_ = new DiagramMarker(QStringLiteral("ssel"), QSize(25, 25), false, pic);

    const std::array<DiagramPicture, 4> icons{
        DiagramPicture::ToolBandWidth, DiagramPicture::ToolGeography, DiagramPicture::ToolZoomIn,
        DiagramPicture::ToolZoomOut};
    const std::array<QString, 4> tips{
        QStringLiteral("Mostrar ancho de banda"), QStringLiteral("Mostrar información geográfica"),
        QStringLiteral("Aumentar diagrama"), QStringLiteral("Disminuir diagrama")};
    const QImage toolPointer = LoadDiagramPicture(DiagramPicture::ToolPointer);
    for (int i = 0; i < 4; ++i) {
        auto* tool = new DiagramTool(i, this, LoadDiagramPicture(icons[size_t(i)]), pic);
        tool->setToolTip(tips[size_t(i)]);
        tool->setCursor(QCursor(QPixmap::fromImage(toolPointer), 9, 1));
        tool_[size_t(i)] = tool;
    }
    tool_[0]->move(16, 16);
    tool_[1]->move(40, 16);
    tool_[2]->move(0, 16);
    tool_[3]->move(0, 16);

    for (int i = 0; i < 2; ++i) {
        tmrZoom_[size_t(i)] = new QTimer(this);
        tmrZoom_[size_t(i)]->setObjectName(QStringLiteral("tmrZoom%1").arg(i));
        tmrZoom_[size_t(i)]->setInterval(100);
        connect(tmrZoom_[size_t(i)], &QTimer::timeout, this, [this, i] { tmrZoom_Timer(i); });
    }
    tmrDraw_ = new QTimer(this);
    tmrDraw_->setObjectName(QStringLiteral("tmrDraw"));
    tmrDraw_->setInterval(10);
    connect(tmrDraw_, &QTimer::timeout, this, &DiagramController::tmrDraw_Timer);

    const std::array<QString, 2> modes{
        QStringLiteral("Diagrama simple"),
        QStringLiteral("Diagrama extendido (información geográfica)")};
    for (int i = 0; i < 2; ++i) {
        auto* action = new QAction(modes[size_t(i)], this);
        action->setObjectName(QStringLiteral("mDiagramMode%1").arg(i));
        action->setCheckable(true);
        action->setChecked(i == 0);
        // The handler decides the check marks of both items.
        connect(action, &QAction::triggered, this, [this, i] { mDiagramMode_Click(i); });
        mDiagramMode_[size_t(i)] = action;
    }
    mShowBandWidth_ = new QAction(QStringLiteral("Mostrar ancho de banda (en diagrama)"), this);
    mShowBandWidth_->setObjectName(QStringLiteral("mShowBandWidth"));
    mShowBandWidth_->setCheckable(true);
    connect(mShowBandWidth_, &QAction::triggered, this, [this](bool checked) {
        // The handler does the inverting: undo the toggle the menu has already made.
        mShowBandWidth_->setChecked(!checked);
        mShowBandWidth_Click();
    });

    connect(pic, &PictureBox::MouseDown, this, &DiagramController::pic_MouseDown);
    connect(pic, &PictureBox::MouseMove, this, &DiagramController::pic_MouseMove);
    connect(pic, &PictureBox::MouseUp, this, &DiagramController::pic_MouseUp);
    connect(pic, &PictureBox::Resize, this, &DiagramController::pic_Resize);
    pic_Resize();
}

DiagramController::~DiagramController() {
    // The tool buttons and markers belong to pic, which may outlive the controller.
    if (pic_) {
        for (QWidget* w : tool_)
            delete w;
        for (QWidget* w : sel_)
            delete w;
        delete ssel_;
    }
}

float DiagramController::Zoom() const {
    return pic_ ? pic_->FontSize() : 8.25f;
}

QAction* DiagramController::mDiagramMode(int index) const {
    return index == 0 || index == 1 ? mDiagramMode_[size_t(index)] : nullptr;
}

void DiagramController::setZoom(float zoom) {
    if (pic_) pic_->setFontSize(zoom);
}

void DiagramController::setPointer(const QImage& picture) {
    if (!pic_) return;
    if (picture.isNull())
        pic_->unsetCursor();
    else
        pic_->setCursor(
            QCursor(QPixmap::fromImage(picture), picture.width() / 2, picture.height() / 2));
}

void DiagramController::mDiagramMode_Click(int Index) {
    if (Index != 0 && Index != 1) return;
    for (QAction* item : mDiagramMode_)
        item->setChecked(false);
    mDiagramMode_[size_t(Index)]->setChecked(true);
    diagramMode_ = qint16(Index);
    sel_[1]->setVisible(mDiagramMode_[1]->isChecked());
    DrawPic();
}

void DiagramController::mShowBandWidth_Click() {
    mShowBandWidth_->setChecked(!mShowBandWidth_->isChecked());
    sel_[0]->setVisible(mShowBandWidth_->isChecked());
    DrawPic();
}

void DiagramController::tool_Click(int Index) {
    if (Index == 0)
        mShowBandWidth_Click();
    else if (Index == 1)
        mDiagramMode_Click(diagramMode_ == 1 ? 0 : 1);
}

void DiagramController::tool_MouseDown(int Index, int, int, float, float) {
    if (Index != 2 && Index != 3) return;
    const int timer = Index - 2;
    tmrZoom_Timer(timer);
    tmrZoom_[size_t(timer)]->start();
}

void DiagramController::tool_MouseUp(int, int, int, float, float) {
    tmrZoom_[0]->stop();
    tmrZoom_[1]->stop();
}

void DiagramController::tool_MouseMove(int Index, int, int, float, float) {
    if (Index < 0 || Index > 3) return;
    ssel_->move(tool_[size_t(Index)]->x() - 5, tool_[size_t(Index)]->y() - 4);
    ssel_->show();
}

void DiagramController::tmrZoom_Timer(int Index) {
    // The limit is tested before the step, so a zoom off the half-point grid can end just past it.
    const float zoom = Zoom();
    if (Index == 0 && zoom < kZoomMax)
        setZoom(zoom + kZoomStep);
    else if (Index == 1 && zoom > kZoomMin)
        setZoom(zoom - kZoomStep);
    DrawPic();
}

void DiagramController::tmrDraw_Timer() {
    DrawPic();
}

void DiagramController::pic_MouseDown(int, int, float X, float Y) {
    dragging_ = true;
    dragStartX_ = X;
    dragStartY_ = Y;
    rotationAtDragStart_ = rotation_;
    tmrDraw_->start();
    setPointer(inputs_.pointerDragging);
}

void DiagramController::pic_MouseMove(int, int, float, float Y) {
    // Only the vertical movement turns the ring: 100 pixels down add one radian.
    if (dragging_) rotation_ = rotationAtDragStart_ - double(dragStartY_ - Y) / 100.0;
    ssel_->hide();
}

void DiagramController::pic_MouseUp(int, int, float, float) {
    dragging_ = false;
    tmrDraw_->stop();
    setPointer(inputs_.pointer);
}

void DiagramController::pic_Resize() {
    if (!pic_) return;
    tool_[3]->move(pic_->ScaleWidth() - 8 - tool_[3]->width(), tool_[3]->y());
    tool_[2]->move(tool_[3]->x() - 8 - tool_[2]->width(), tool_[2]->y());
}

void DiagramController::MouseWheel_WheelMove(bool towardUser) {
    const float zoom = Zoom() + (towardUser ? -kZoomStep : kZoomStep);
    setZoom(std::clamp(zoom, kZoomMin, kZoomMax));
    DrawPic();
}

void DiagramController::DrawPic() {
    if (!pic_) return;
    if (!inputs_.diagramSelected || !inputs_.diagramSelected()) return;
    clsHostIP* hostIP = diagramMode_ == 1 && inputs_.hostIP ? inputs_.hostIP() : nullptr;
    const bool extended = hostIP && hostIP->Available();
    const std::vector<DiagramHost>& hosts =
        cache_.Hosts(inputs_.logText ? inputs_.logText() : LogText());
    DiagramScene scene;
    scene.Rotation = rotation_;
    scene.ShowBandWidth = mShowBandWidth_->isChecked();
    scene.Geography = extended ? &cache_.Geography(*hostIP) : nullptr;
    scene.Flags = inputs_.flags;
    scene.ServerPicture = inputs_.serverPicture;
    scene.Generation = cache_.Generation();
    DrawDiagram(*pic_, hosts, scene, &drawCache_);
}

void DiagramController::TextChanged() {
    cache_.Invalidate();
}
