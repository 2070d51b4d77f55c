#include "views/logWnd.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

logWnd::logWnd(QWidget* parent) : QWidget(parent), m_box(new QPlainTextEdit(this)) {
    m_box->setObjectName(QStringLiteral("log"));
    m_box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_box->setGeometry(rect());
    // The operator may type into the box; what stands there is what the next entry is added to.
    connect(m_box, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_setting) takeTypedText();
    });
    m_box->installEventFilter(this);
}

bool logWnd::eventFilter(QObject* watched, QEvent* event) {
    // The operator types into the text as it stands, with every entry so far.
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
        if (m_displayPending) display();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void logWnd::scheduleDisplay() {
    if (m_displayPending) return;
    m_displayPending = true;
    const qint64 since = m_sinceDisplay.isValid() ? m_sinceDisplay.elapsed() : kRefreshMs;
    QTimer::singleShot(int(qMax<qint64>(0, kRefreshMs - since)), this, [this] {
        if (m_displayPending) display();
    });
}

void logWnd::LogPRT(const QString& sLogData) {
    QString text = m_text + QStringLiteral("\r\n") + sLogData;
    const qsizetype keep = qMax<qsizetype>(m_maxLength, 0);
    if (text.size() > keep) text = text.right(keep);
    m_text = std::move(text);
    scheduleDisplay();
}

void logWnd::SetMaxLenght(qint16 sMaxLength) {
    m_maxLength = sMaxLength;
}

void logWnd::LogCLS() {
    m_text.clear();
    display();
}

void logWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_box->setGeometry(rect());
}

void logWnd::display() {
    m_displayPending = false;
    m_sinceDisplay.start();
    m_setting = true;
    // The box breaks lines at LF; a CR left alone at either end of the cut is a break as well.
    QString shown = m_text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar(u'\r'), QChar(u'\n'));
    m_box->setPlainText(shown);
    m_box->moveCursor(QTextCursor::End);
    m_box->ensureCursorVisible();
    m_setting = false;
}

void logWnd::takeTypedText() {
    QString typed = m_box->toPlainText();
    typed.replace(QChar(u'\n'), QStringLiteral("\r\n"));
    m_text = std::move(typed);
}
