// The window size keeper: attaching to the top-level window (one keeper per window), turning its
// twip limits into the window's minimum and maximum size, and translating the window's events
// into the keeper's display, colour, theme, moving and sizing events.
#include "widgets/ucSizeSubclass.h"

#include "core/twips.h"
#include "core/ui_seam.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

ucSizeSubclass::ucSizeSubclass(QWidget* parent) : QWidget(parent), m_settle(new QTimer(this)) {
    setVisible(false); // nothing to see: it only watches
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleMs);
    connect(m_settle, &QTimer::timeout, this, [this] {
        if (m_enabled) emit FinishedSizeMove();
    });
    recordDisplay();
    attach();
}

ucSizeSubclass::~ucSizeSubclass() {
    // The window may be on its way out too (it deletes its children): only stop listening.
    if (m_watched) m_watched->removeEventFilter(this);
}

void ucSizeSubclass::setEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    QWidget::setEnabled(enabled);
    if (!enabled) {
        m_settle->stop();
        liftLimits();
    } else if (m_watched) {
        applyLimits();
    } else {
        attach();
    }
}

void ucSizeSubclass::setMaxHeight(qint32 twips) {
    m_maxHeight = twips;
    applyLimits();
}

void ucSizeSubclass::setMinHeight(qint32 twips) {
    m_minHeight = twips;
    applyLimits();
}

void ucSizeSubclass::setMaxWidth(qint32 twips) {
    m_maxWidth = twips;
    applyLimits();
}

void ucSizeSubclass::setMinWidth(qint32 twips) {
    m_minWidth = twips;
    applyLimits();
}

void ucSizeSubclass::attach() {
    QWidget* target = window();
    if (target == this || !m_enabled) return;
    for (ucSizeSubclass* other : target->findChildren<ucSizeSubclass*>()) {
        if (other == this || other->m_watched != target) continue;
        ov::ui::messageBox(QStringLiteral("     Only one Control Permitted Per Form!\r\n\r\n"
                                          "SubClassing Wiil Be Disabled for ") +
                               other->objectName(),
                           QStringLiteral("ucSizeSubclass"), ov::ui::Icon::Exclamation);
        m_enabled = false;
        QWidget::setEnabled(false);
        return;
    }
    m_watched = target;
    target->installEventFilter(this);
    m_screen = target->screen();
    if (m_screen)
        connect(m_screen, &QScreen::geometryChanged, this, &ucSizeSubclass::displayChange);
    recordDisplay();
    applyLimits();
}

void ucSizeSubclass::detach() {
    if (!m_watched) return;
    liftLimits();
    m_watched->removeEventFilter(this);
    if (m_screen) disconnect(m_screen, nullptr, this, nullptr);
    m_watched = nullptr;
    m_screen = nullptr;
}

void ucSizeSubclass::applyLimits() {
    if (!m_watched || !m_enabled) return;
    const int minWidth = ov::twipsToPixels(qMax(0, m_minWidth));
    const int minHeight = ov::twipsToPixels(qMax(0, m_minHeight));
    const int maxWidth =
        m_maxWidth > 0 ? qMax(minWidth, ov::twipsToPixels(m_maxWidth)) : QWIDGETSIZE_MAX;
    const int maxHeight =
        m_maxHeight > 0 ? qMax(minHeight, ov::twipsToPixels(m_maxHeight)) : QWIDGETSIZE_MAX;
    m_watched->setMinimumSize(qMin(minWidth, QWIDGETSIZE_MAX), qMin(minHeight, QWIDGETSIZE_MAX));
    m_watched->setMaximumSize(qMin(maxWidth, QWIDGETSIZE_MAX), qMin(maxHeight, QWIDGETSIZE_MAX));
}

void ucSizeSubclass::liftLimits() {
    if (!m_watched) return;
    m_watched->setMinimumSize(0, 0);
    m_watched->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void ucSizeSubclass::recordDisplay() {
    QScreen* screen = m_watched ? m_watched->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    m_displayWidth = screen->geometry().width();
    m_displayHeight = screen->geometry().height();
    m_displayColorDepth = screen->depth();
}

void ucSizeSubclass::displayChange() {
    if (!m_enabled) return;
    m_displayChanged = true;
    recordDisplay();
    emit DisplayModeChanged();
}

void ucSizeSubclass::themeChange() {
    m_themeNoted = true;
    m_sysThemeChanged = true;
    emit SysColorsChanged();
}

void ucSizeSubclass::colorChange() {
    m_sysColorChanged = true;
    emit SysColorsChanged();
    if (m_themeNoted) {
        m_themeNoted = false;
        emit ThemeColorsChanged();
    }
}

bool ucSizeSubclass::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_watched || !m_enabled) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Move:
        emit ParentMoving();
        m_settle->start();
        break;
    case QEvent::Resize:
        emit ParentSizing();
        m_settle->start();
        break;
    case QEvent::ScreenChangeInternal:
        if (m_screen) disconnect(m_screen, nullptr, this, nullptr);
        m_screen = m_watched->screen();
        if (m_screen)
            connect(m_screen, &QScreen::geometryChanged, this, &ucSizeSubclass::displayChange);
        displayChange();
        break;
    case QEvent::ThemeChange:
    case QEvent::StyleChange:
        themeChange();
        break;
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
        colorChange();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool ucSizeSubclass::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) {
        detach();
        attach();
    }
    return QWidget::event(event);
}
