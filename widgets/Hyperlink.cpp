// The hyperlink label: its three looks, the pointer poll that notices when the pointer has left,
// and opening the address on a click.
#include "widgets/Hyperlink.h"

#include "core/ui_seam.h"
#include "views/modColor.h"

#include <QCursor>
#include <QMouseEvent>
#include <QTimer>

Hyperlink::Hyperlink(QWidget* parent)
    : QLabel(parent), m_backColor(SystemColor(15)), m_colorNormal(RGBColor(0, 0, 255)),
      m_colorHot(RGBColor(255, 0, 0)), m_colorDown(RGBColor(128, 0, 128)),
      tmrMouse(new QTimer(this)) {
    tmrMouse->setObjectName(QStringLiteral("tmrMouse"));
    tmrMouse->setInterval(kPollMs);
    connect(tmrMouse, &QTimer::timeout, this, &Hyperlink::tmrMouse_Timer);
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
    applyLook();
}

void Hyperlink::setBackColor(qint32 color) {
    m_backColor = color;
    applyLook();
}

void Hyperlink::setColorNormal(qint32 color) {
    m_colorNormal = color;
    applyLook();
}

void Hyperlink::setColorHot(qint32 color) {
    m_colorHot = color;
    applyLook();
}

void Hyperlink::setColorDown(qint32 color) {
    m_colorDown = color;
    applyLook();
}

void Hyperlink::setHoverUnderline(bool underline) {
    m_hoverUnderline = underline;
    applyLook();
}

bool Hyperlink::ShowURL(const QString& sURL) {
    if (sURL.trimmed().isEmpty()) return false;
    return ov::ui::openUrl(sURL);
}

void Hyperlink::setState(State state) {
    if (state == m_state) return;
    m_state = state;
    applyLook();
}

void Hyperlink::applyLook() {
    m_applying = true; // our own palette and font changes are not the desktop's
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(m_backColor));
    const qint32 color = m_state == State::Down  ? m_colorDown
                         : m_state == State::Hot ? m_colorHot
                                                 : m_colorNormal;
    pal.setColor(QPalette::WindowText, ToQColor(color));
    setPalette(pal);
    QFont f = font();
    f.setUnderline(m_hoverUnderline && m_state == State::Hot);
    setFont(f);
    m_applying = false;
}

// The pointer is looked for rather than waited for, so that leaving is noticed even when the
// label gets no leave event (the pointer jumping away, or another window taking it).
void Hyperlink::tmrMouse_Timer() {
    if (m_state == State::Down) return; // pressed: the release decides
    if (!rect().contains(mapFromGlobal(QCursor::pos())) || !isVisible()) {
        tmrMouse->stop();
        setState(State::Normal);
    }
}

void Hyperlink::mouseMoveEvent(QMouseEvent* event) {
    if (m_state == State::Normal) {
        setState(State::Hot);
        tmrMouse->start();
    }
    QLabel::mouseMoveEvent(event);
}

void Hyperlink::enterEvent(QEnterEvent* event) {
    if (m_state == State::Normal) {
        setState(State::Hot);
        tmrMouse->start();
    }
    QLabel::enterEvent(event);
}

void Hyperlink::leaveEvent(QEvent* event) {
    if (m_state == State::Hot) {
        tmrMouse->stop();
        setState(State::Normal);
    }
    QLabel::leaveEvent(event);
}

void Hyperlink::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) setState(State::Down);
    QLabel::mousePressEvent(event);
}

void Hyperlink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_state != State::Down) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    const bool inside = rect().contains(event->position().toPoint());
    setState(inside ? State::Hot : State::Normal);
    if (inside) {
        tmrMouse->start();
        emit Click();
        if (m_clickResponse == kOpenURL) {
            emit OpeningURL(m_url);
            ShowURL(m_url);
        }
    }
    QLabel::mouseReleaseEvent(event);
}

void Hyperlink::changeEvent(QEvent* event) {
    // System colours are resolved again when the desktop's palette changes.
    if (event->type() == QEvent::PaletteChange && !m_applying) applyLook();
    QLabel::changeEvent(event);
}
