// The tab strip: geometry of the tabs, drawing through the application style (or flat), and
// the user's choice of a tab by mouse or keyboard.
#include "widgets/ctlTabs.h"

#include "views/modColor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <qdrawutil.h>

namespace {

QTabBar::Shape shapeOf(int style) {
    switch (style) {
    case 1:
        return QTabBar::RoundedSouth;
    case 2:
        return QTabBar::RoundedWest;
    case 3:
        return QTabBar::RoundedEast;
    default:
        return QTabBar::RoundedNorth;
    }
}

// Space between a tab's edge and its caption, in pixels.
constexpr int kCaptionMargin = 4;

} // namespace

ctlTabs::ctlTabs(QWidget* parent)
    : QWidget(parent), m_captions{QStringLiteral("Tab 1"), QStringLiteral("Tab 2"),
                                  QStringLiteral("Tab 3")},
      m_textColor(SystemColor(20)), m_textColorActive(SystemColor(18)), m_tabColor(SystemColor(16)),
      m_tabColorActive(SystemColor(15)), m_tabFont(font()), m_tabFontActive(font()) {
    setFocusPolicy(Qt::StrongFocus);
}

void ctlTabs::setTextColor(qint32 color) {
    m_textColor = color;
    update();
}

void ctlTabs::setTextColorActive(qint32 color) {
    m_textColorActive = color;
    update();
}

void ctlTabs::setTabColor(qint32 color) {
    m_tabColor = color;
    update();
}

void ctlTabs::setTabColorActive(qint32 color) {
    m_tabColorActive = color;
    update();
}

void ctlTabs::setTabFont(const QFont& font) {
    m_tabFont = font;
    m_tabFontSet = true;
    update();
}

void ctlTabs::setTabFontActive(const QFont& font) {
    m_tabFontActive = font;
    m_tabFontActiveSet = true;
    update();
}

QString ctlTabs::Caption(int Index) const {
    if (Index < 1 || Index > Tabs()) return {};
    return m_captions.at(Index - 1);
}

void ctlTabs::setCaption(int Index, const QString& text) {
    if (Index < 1 || Index > Tabs()) return;
    m_captions[Index - 1] = text;
    update();
}

void ctlTabs::setCaptions(const QStringList& captions) {
    for (int i = 0; i < m_captions.size(); ++i)
        m_captions[i] = captions.value(i);
    update();
}

void ctlTabs::setStyle(int style) {
    m_style = (style >= 0 && style <= 3) ? style : 0;
    fitContainers();
    update();
}

void ctlTabs::setCaptionAlignment(int alignment) {
    m_captionAlignment = (alignment >= 0 && alignment <= 8) ? alignment : 4;
    update();
}

void ctlTabs::setTabsWidth(int pixels) {
    m_tabsWidth = qMax(1, pixels);
    fitContainers();
    updateGeometry();
    update();
}

void ctlTabs::setTabsHeight(int pixels) {
    m_tabsHeight = qMax(1, pixels);
    fitContainers();
    updateGeometry();
    update();
}

void ctlTabs::setTabs(int count) {
    count = qMax(1, count);
    while (m_captions.size() < count)
        m_captions.append(QStringLiteral("Tab %1").arg(m_captions.size() + 1));
    while (m_captions.size() > count)
        m_captions.removeLast();
    m_selectedTab = qMin(m_selectedTab, count);
    updateGeometry();
    update();
}

void ctlTabs::setSelectedTab(int tab) {
    if (tab < 1 || tab > Tabs()) return;
    m_selectedTab = tab;
    update();
}

void ctlTabs::setUseFocusRect(bool use) {
    m_useFocusRect = use;
    update();
}

void ctlTabs::setThemed(bool themed) {
    m_themed = themed;
    update();
}

void ctlTabs::setFitContainers(bool fit) {
    m_fitContainers = fit;
    fitContainers();
}

QRect ctlTabs::TabRect(int tab) const {
    if (tab < 1 || tab > Tabs()) return {};
    const int i = tab - 1;
    switch (m_style) {
    case 1:
        return {i * m_tabsWidth, height() - m_tabsHeight, m_tabsWidth, m_tabsHeight};
    case 2:
        return {0, i * m_tabsHeight, m_tabsWidth, m_tabsHeight};
    case 3:
        return {width() - m_tabsWidth, i * m_tabsHeight, m_tabsWidth, m_tabsHeight};
    default:
        return {i * m_tabsWidth, 0, m_tabsWidth, m_tabsHeight};
    }
}

int ctlTabs::TabAt(const QPoint& point) const {
    for (int tab = 1; tab <= Tabs(); ++tab) {
        if (TabRect(tab).contains(point)) return tab;
    }
    return 0;
}

QRect ctlTabs::ContainerRect() const {
    switch (m_style) {
    case 1:
        return rect().adjusted(0, 0, 0, -m_tabsHeight);
    case 2:
        return rect().adjusted(m_tabsWidth, 0, 0, 0);
    case 3:
        return rect().adjusted(0, 0, -m_tabsWidth, 0);
    default:
        return rect().adjusted(0, m_tabsHeight, 0, 0);
    }
}

QSize ctlTabs::sizeHint() const {
    const bool across = m_style == 0 || m_style == 1;
    const int strip = across ? Tabs() * m_tabsWidth : Tabs() * m_tabsHeight;
    return across ? QSize(qMax(strip, 200), m_tabsHeight + 150)
                  : QSize(m_tabsWidth + 200, qMax(strip, 150));
}

Qt::Alignment ctlTabs::captionFlags() const {
    static constexpr Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static constexpr Qt::Alignment vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return horizontal[m_captionAlignment % 3] | vertical[m_captionAlignment / 3];
}

void ctlTabs::initTabOption(QStyleOptionTab& option, int tab) const {
    option.initFrom(this);
    option.rect = TabRect(tab);
    option.shape = shapeOf(m_style);
    option.state &= ~QStyle::State_HasFocus;
    if (tab == m_selectedTab) option.state |= QStyle::State_Selected;
    if (Tabs() == 1)
        option.position = QStyleOptionTab::OnlyOneTab;
    else if (tab == 1)
        option.position = QStyleOptionTab::Beginning;
    else if (tab == Tabs())
        option.position = QStyleOptionTab::End;
    else
        option.position = QStyleOptionTab::Middle;
    if (tab == m_selectedTab - 1)
        option.selectedPosition = QStyleOptionTab::NextIsSelected;
    else if (tab == m_selectedTab + 1)
        option.selectedPosition = QStyleOptionTab::PreviousIsSelected;
    else
        option.selectedPosition = QStyleOptionTab::NotAdjacent;
    const QColor fill = ToQColor(tab == m_selectedTab ? m_tabColorActive : m_tabColor);
    option.palette.setColor(QPalette::Window, fill);
    option.palette.setColor(QPalette::Button, fill);
}

void ctlTabs::drawTab(QPainter& painter, int tab) const {
    const bool active = tab == m_selectedTab;
    const QRect r = TabRect(tab);
    const QColor fill = ToQColor(active ? m_tabColorActive : m_tabColor);
    if (m_themed) {
        QStyleOptionTab option;
        initTabOption(option, tab);
        // Styles draw a selected tab reaching well into the area below, expecting a tab bar
        // widget to clip it; here the tab's own rectangle clips it, except for the few pixels
        // by which a selected tab covers the container's edge.
        QRect clip = r;
        if (active) {
            const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
            switch (m_style) {
            case 1:
                clip.setTop(clip.top() - overlap);
                break;
            case 2:
                clip.setRight(clip.right() + overlap);
                break;
            case 3:
                clip.setLeft(clip.left() - overlap);
                break;
            default:
                clip.setBottom(clip.bottom() + overlap);
                break;
            }
        }
        painter.save();
        painter.setClipRect(clip);
        style()->drawControl(QStyle::CE_TabBarTabShape, &option, &painter, this);
        painter.restore();
    } else {
        QPalette pal = palette();
        pal.setColor(QPalette::Button, fill);
        const QBrush brush(fill);
        qDrawWinButton(&painter, r, pal, false, &brush);
    }
    painter.save();
    painter.setFont(active ? m_tabFontActive : m_tabFont);
    painter.setPen(ToQColor(active ? m_textColorActive : m_textColor));
    const QRect textRect =
        r.adjusted(kCaptionMargin, kCaptionMargin, -kCaptionMargin, -kCaptionMargin);
    const QString text =
        painter.fontMetrics().elidedText(Caption(tab), Qt::ElideRight, textRect.width());
    painter.drawText(textRect, int(captionFlags()) | Qt::TextSingleLine, text);
    painter.restore();
    if (active && m_useFocusRect && hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = r.adjusted(3, 3, -3, -3);
        focus.backgroundColor = fill;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void ctlTabs::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = ContainerRect();
    const QColor areaColor = ToQColor(m_tabColorActive);
    painter.fillRect(area, areaColor);
    if (m_themed) {
        QStyleOptionTabWidgetFrame frame;
        frame.initFrom(this);
        frame.rect = area;
        frame.shape = shapeOf(m_style);
        frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        frame.selectedTabRect = TabRect(m_selectedTab);
        frame.palette.setColor(QPalette::Window, areaColor);
        frame.palette.setColor(QPalette::Button, areaColor);
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
    } else {
        QPalette pal = palette();
        pal.setColor(QPalette::Button, areaColor);
        qDrawWinPanel(&painter, area, pal, false);
    }
    // The selected tab last, so that its shape lies over its neighbours' edges.
    for (int tab = 1; tab <= Tabs(); ++tab) {
        if (tab != m_selectedTab) drawTab(painter, tab);
    }
    drawTab(painter, m_selectedTab);
}

void ctlTabs::userSelects(int tab) {
    const int old = m_selectedTab;
    m_selectedTab = tab;
    update();
    emit TabClick(old, tab);
}

void ctlTabs::mousePressEvent(QMouseEvent* event) {
    const int tab = TabAt(event->position().toPoint());
    if (tab == 0 || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    userSelects(tab);
}

void ctlTabs::keyPressEvent(QKeyEvent* event) {
    int tab = m_selectedTab;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        tab = m_selectedTab - 1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        tab = m_selectedTab + 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (tab >= 1 && tab <= Tabs()) userSelects(tab);
}

void ctlTabs::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitContainers();
}

void ctlTabs::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitContainers();
}

void ctlTabs::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        if (!m_tabFontSet) m_tabFont = font();
        if (!m_tabFontActiveSet) m_tabFontActive = font();
    }
    // System colours are resolved at every paint; a new palette or style only needs one.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

void ctlTabs::fitContainers() {
    if (!m_fitContainers) return;
    const QRect area = ContainerRect();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow()) child->setGeometry(area);
    }
}
