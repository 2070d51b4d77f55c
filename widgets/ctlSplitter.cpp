// The splitter: where the bar stands (Maintain, then the child size limits), how the two named
// controls are placed around it, and dragging the bar.
#include "widgets/ctlSplitter.h"

#include "core/twips.h"
#include "views/modColor.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

constexpr int kMaxPosition = 32767; // positions are 16-bit

} // namespace

ctlSplitter::ctlSplitter(QWidget* parent)
    : QWidget(parent), m_splitterColor(SystemColor(16)), m_bar(new QWidget(this)) {
    m_bar->setObjectName(QStringLiteral("SplitterBar"));
    m_bar->setAutoFillBackground(true);
    m_bar->setCursor(Qt::SplitHCursor);
    m_bar->installEventFilter(this);
}

ctlSplitter::~ctlSplitter() {
    delete m_ghost;
}

void ctlSplitter::setBorderStyle(int style) {
    m_borderStyle = style;
    update();
    layoutChildren();
}

void ctlSplitter::setOrientation(int orientation) {
    m_orientation = orientation == 1 ? 1 : 0;
    m_bar->setCursor(m_orientation == 0 ? Qt::SplitHCursor : Qt::SplitVCursor);
    layoutChildren();
}

void ctlSplitter::setSplitterSize(int twips) {
    m_splitterSize = qBound(0, twips, kMaxPosition);
    layoutChildren();
}

void ctlSplitter::setMaintain(int maintain) {
    if (maintain != 0 && maintain != 1) return;
    m_maintain = maintain;
    layoutChildren();
}

void ctlSplitter::setSplitterPos(int twips) {
    m_splitterPos = qBound(0, twips, kMaxPosition);
    layoutChildren();
}

void ctlSplitter::setRatioFromTop(float ratio) {
    if (!std::isfinite(ratio)) return;
    m_ratioFromTop = qBound(0.0f, ratio, 1.0f);
    layoutChildren();
}

float ctlSplitter::CurrRatioFromTop() const {
    const int length = lengthTwips();
    return length > 0 ? float(m_currSplitterPos) / float(length) : 0.0f;
}

void ctlSplitter::setChild1(const QString& name) {
    m_child1 = name;
    layoutChildren();
}

void ctlSplitter::setChild2(const QString& name) {
    m_child2 = name;
    layoutChildren();
}

void ctlSplitter::setMaxSize(int twips) {
    m_maxSize = qBound(0, twips, kMaxPosition);
    layoutChildren();
}

void ctlSplitter::setMaxSizeAppliesTo(int child) {
    m_maxSizeAppliesTo = child == 1 ? 1 : 0;
    layoutChildren();
}

void ctlSplitter::setMinSize1(int twips) {
    m_minSize1 = qBound(0, twips, kMaxPosition);
    layoutChildren();
}

void ctlSplitter::setMinSize2(int twips) {
    m_minSize2 = qBound(0, twips, kMaxPosition);
    layoutChildren();
}

void ctlSplitter::setMinSizeAux(int twips) {
    m_minSizeAux = qBound(0, twips, kMaxPosition);
    layoutChildren();
}

void ctlSplitter::setAllowResize(bool allow) {
    m_allowResize = allow;
    if (!allow) {
        m_dragging = false;
        delete m_ghost;
    }
    layoutChildren();
}

void ctlSplitter::Refresh() {
    layoutChildren();
}

QRect ctlSplitter::layoutArea() const {
    const int border = m_borderStyle != 0 ? 1 : 0;
    return rect().adjusted(border, border, -border, -border);
}

int ctlSplitter::lengthTwips() const {
    const QRect area = layoutArea();
    return ov::pixelsToTwips(qMax(0, m_orientation == 0 ? area.width() : area.height()));
}

int ctlSplitter::barTwips() const {
    return m_allowResize ? m_splitterSize : 0;
}

// The limits, weakest first: MaxSize, then MinSize2, then MinSize1, so that on a splitter too
// small for both minimums the first child keeps its minimum and the second gets what is left.
int ctlSplitter::limitPosition(int twips) const {
    const int room = lengthTwips() - barTwips();
    if (m_maxSize > 0) {
        if (m_maxSizeAppliesTo == 1)
            twips = qMax(twips, room - m_maxSize);
        else
            twips = qMin(twips, m_maxSize);
    }
    twips = qMin(twips, room - m_minSize2);
    twips = qMax(twips, m_minSize1);
    return qBound(0, twips, kMaxPosition);
}

QRect ctlSplitter::BarRect() const {
    return m_bar->isVisibleTo(this) ? m_bar->geometry() : QRect();
}

QWidget* ctlSplitter::findChildControl(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    if (auto* own = findChild<QWidget*>(name, Qt::FindDirectChildrenOnly)) return own;
    QWidget* parent = parentWidget();
    if (!parent) return nullptr;
    auto* sibling = parent->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    return sibling == this ? nullptr : sibling;
}

void ctlSplitter::placeChild(QWidget* child, QRect area) const {
    if (!child) return;
    // The list view's own frame is meant to disappear under its neighbours: it reaches one
    // pixel (15 twips) beyond its area on every side.
    if (child->inherits("ucListView")) area.adjust(-1, -1, 1, 1);
    if (child->parentWidget() != this) area.translate(pos());
    child->setGeometry(area.x(), area.y(), qMax(0, area.width()), qMax(0, area.height()));
}

// A sibling child must lie in front of the splitter, or the splitter would hide it.
void ctlSplitter::keepBeneath(QWidget* child1, QWidget* child2) {
    QWidget* parent = parentWidget();
    if (!parent) return;
    const QObjectList& order = parent->children(); // back to front
    const qsizetype mine = order.indexOf(this);
    QWidget* lowest = nullptr;
    qsizetype lowestIndex = order.size();
    for (QWidget* child : {child1, child2}) {
        if (!child || child->parentWidget() != parent) continue;
        const qsizetype index = order.indexOf(child);
        if (index < lowestIndex) {
            lowestIndex = index;
            lowest = child;
        }
    }
    if (lowest && mine > lowestIndex) stackUnder(lowest);
}

void ctlSplitter::layoutChildren() {
    const QRect area = layoutArea();
    const bool sideBySide = m_orientation == 0;
    const int desired =
        m_maintain == 0 ? m_splitterPos : int(std::lround(double(m_ratioFromTop) * lengthTwips()));
    m_currSplitterPos = limitPosition(desired);

    const int position = ov::twipsToPixels(m_currSplitterPos);
    const int bar = ov::twipsToPixels(barTwips());
    const int length = sideBySide ? area.width() : area.height();
    const int across = sideBySide ? area.height() : area.width();
    const int childAcross = qMax(across, ov::twipsToPixels(m_minSizeAux));
    const int rest = qMax(0, length - position - bar);

    QRect first, barRect, second;
    if (sideBySide) {
        first = QRect(area.x(), area.y(), position, childAcross);
        barRect = QRect(area.x() + position, area.y(), bar, across);
        second = QRect(area.x() + position + bar, area.y(), rest, childAcross);
    } else {
        first = QRect(area.x(), area.y(), childAcross, position);
        barRect = QRect(area.x(), area.y() + position, across, bar);
        second = QRect(area.x(), area.y() + position + bar, childAcross, rest);
    }
    m_bar->setGeometry(barRect);
    m_bar->setVisible(m_allowResize && bar > 0);

    QWidget* child1 = findChildControl(m_child1);
    QWidget* child2 = findChildControl(m_child2);
    placeChild(child1, first);
    placeChild(child2, second);
    keepBeneath(child1, child2);
    emit Resize();
}

void ctlSplitter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void ctlSplitter::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    layoutChildren();
}

void ctlSplitter::paintEvent(QPaintEvent*) {
    if (m_borderStyle == 0) return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

int ctlSplitter::dragPosition(const QPoint& barPoint) const {
    const QPoint p = m_bar->mapTo(this, barPoint);
    const QRect area = layoutArea();
    const int pixels = m_orientation == 0 ? p.x() - m_grab - area.x() : p.y() - m_grab - area.y();
    return limitPosition(ov::pixelsToTwips(pixels));
}

void ctlSplitter::showGhost(int twips) {
    QWidget* host = parentWidget() ? parentWidget() : this;
    if (!m_ghost) {
        auto* ghost = new QFrame(host);
        ghost->setObjectName(QStringLiteral("SplitterGhost"));
        ghost->setAutoFillBackground(true);
        if (m_splitterAppearance == 1)
            ghost->setFrameStyle(QFrame::Panel | QFrame::Raised);
        else if (m_splitterBorder != 0)
            ghost->setFrameStyle(QFrame::Box | QFrame::Plain);
        QPalette pal = ghost->palette();
        pal.setColor(QPalette::Window, ToQColor(m_splitterColor));
        ghost->setPalette(pal);
        m_ghost = ghost;
    }
    QRect r = m_bar->geometry();
    const int shift = ov::twipsToPixels(twips) - ov::twipsToPixels(m_currSplitterPos);
    r.translate(m_orientation == 0 ? QPoint(shift, 0) : QPoint(0, shift));
    if (host != this) r.translate(pos());
    m_ghost->setGeometry(r);
    m_ghost->show();
    m_ghost->raise();
}

bool ctlSplitter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_bar) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !m_allowResize) break;
        const QPoint p = mouse->position().toPoint();
        m_grab = m_orientation == 0 ? p.x() : p.y();
        m_dragging = true;
        m_dragTwips = m_currSplitterPos;
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_dragging) break;
        m_dragTwips = dragPosition(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (m_liveUpdate) {
            m_ratioFromTop =
                lengthTwips() > 0 ? float(m_dragTwips) / float(lengthTwips()) : m_ratioFromTop;
            setSplitterPos(m_dragTwips);
        } else {
            showGhost(m_dragTwips);
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!m_dragging || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
        m_dragging = false;
        delete m_ghost;
        if (lengthTwips() > 0) m_ratioFromTop = float(m_dragTwips) / float(lengthTwips());
        setSplitterPos(m_dragTwips);
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
