// The numeric box: key filtering, the rule applied after every change of the text, and the scroll
// bar that steps the value.
#include "widgets/ucUpDownBox.h"

#include "views/modColor.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// A text the box can read as a number: digits with an optional sign, fraction or exponent,
// surrounded by spaces at most. Infinity and NaN are not numbers here.
std::optional<double> parseNumber(const QString& text) {
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return std::nullopt;
    return d;
}

// Keys that edit through the clipboard or the undo stack; what they leave behind is judged by
// the rule applied after the change, like any other text.
bool isEditingShortcut(const QKeyEvent* key) {
    return key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut) ||
           key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll) ||
           key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo);
}

bool isAcceptedCharacter(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'-';
}

// The scroll bar runs from top to bottom while the number grows upwards, so the bar holds the
// bitwise complement of the value: it reverses the order and, unlike negation, fits every
// 32-bit value.
constexpr int toBar(qint32 value) {
    return ~value;
}
constexpr qint32 fromBar(int barValue) {
    return ~barValue;
}

} // namespace

ucUpDownBox::ucUpDownBox(QWidget* parent)
    : QWidget(parent), txtValue(new QLineEdit(this)), ucBar(new QScrollBar(Qt::Vertical, this)),
      m_backColor(SystemColor(5)), m_foreColor(SystemColor(8)) {
    txtValue->setObjectName(QStringLiteral("txtValue"));
    ucBar->setObjectName(QStringLiteral("ucBar"));
    ucBar->setSingleStep(1);
    ucBar->setPageStep(1);
    ucBar->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(txtValue);
    txtValue->installEventFilter(this);
    txtValue->setText(QStringLiteral("0"));
    connect(txtValue, &QLineEdit::textChanged, this, &ucUpDownBox::txtValue_Change);
    connect(ucBar, &QScrollBar::valueChanged, this, &ucUpDownBox::ucBar_Change);
    syncBar();
    setAlignment(m_alignment);
    applyColors();
}

void ucUpDownBox::setAlignment(int alignment) {
    m_alignment = alignment;
    Qt::Alignment h = Qt::AlignLeft;
    if (alignment == 1)
        h = Qt::AlignRight;
    else if (alignment == 2)
        h = Qt::AlignHCenter;
    txtValue->setAlignment(h | Qt::AlignVCenter);
}

void ucUpDownBox::setBackColor(qint32 color) {
    m_backColor = color;
    applyColors();
}

void ucUpDownBox::setForeColor(qint32 color) {
    m_foreColor = color;
    applyColors();
}

void ucUpDownBox::setBorderStyle(int style) {
    m_borderStyle = style;
    txtValue->setFrame(style != 0);
}

void ucUpDownBox::applyColors() {
    QPalette pal = txtValue->palette();
    pal.setColor(QPalette::Base, ToQColor(m_backColor));
    pal.setColor(QPalette::Text, ToQColor(m_foreColor));
    txtValue->setPalette(pal);
}

void ucUpDownBox::setMax(qint32 max) {
    m_max = max;
    if (m_min > m_max) m_min = m_max;
    syncBar();
    if (m_value > m_max || m_value < m_min) setValue(m_value);
}

void ucUpDownBox::setMin(qint32 min) {
    m_min = min;
    if (m_max < m_min) m_max = m_min;
    syncBar();
    if (m_value > m_max || m_value < m_min) setValue(m_value);
}

void ucUpDownBox::setValue(qint32 value) {
    txtValue->setText(QString::number(qBound(m_min, value, m_max)));
}

QString ucUpDownBox::Text() const {
    return txtValue->text();
}

void ucUpDownBox::setText(const QString& text) {
    setValue(ConvertText(text));
}

qint32 ucUpDownBox::ConvertText(const QString& text) const {
    if (text.isEmpty()) return qBound(m_min, 0, m_max);
    const std::optional<double> number = parseNumber(text);
    if (!number) return m_min;
    const double rounded = std::round(*number);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return m_min;
    return qBound(m_min, static_cast<qint32>(rounded), m_max);
}

void ucUpDownBox::txtValue_Change() {
    if (m_correcting) return;
    const std::optional<double> number = parseNumber(txtValue->text());
    auto replaceText = [this](qint32 value) {
        m_correcting = true;
        txtValue->setText(QString::number(value));
        m_correcting = false;
        m_value = value;
    };
    if (!number) {
        replaceText(m_min);
        txtValue->selectAll();
        syncBar();
        return;
    }
    if (*number < m_min) {
        replaceText(m_min);
        txtValue->selectAll();
    } else if (*number > m_max) {
        replaceText(m_max);
        txtValue->setCursorPosition(txtValue->text().size());
    } else {
        // Min and Max are whole numbers, so the rounded value stays within them.
        m_value = static_cast<qint32>(std::round(*number));
    }
    syncBar();
    emit Change();
}

void ucUpDownBox::ucBar_Change(int barValue) {
    const qint32 value = fromBar(barValue);
    if (value != m_value) setValue(value);
}

void ucUpDownBox::syncBar() {
    const QSignalBlocker block(ucBar);
    ucBar->setRange(toBar(m_max), toBar(m_min));
    ucBar->setValue(toBar(m_value));
}

bool ucUpDownBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched != txtValue || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Up) {
        ucBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return true;
    }
    if (key->key() == Qt::Key_Down) {
        ucBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return true;
    }
    if (isEditingShortcut(key)) return false;
    // Caret movement, Delete, Backspace, Tab and Enter carry no printable character and pass;
    // of the printable ones only digits and the minus sign reach the text box.
    const QString text = key->text();
    for (const QChar c : text) {
        if (c.isPrint() && !isAcceptedCharacter(c)) return true;
    }
    return false;
}

void ucUpDownBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int barWidth =
        qMin(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this), width() / 2);
    txtValue->setGeometry(0, 0, width() - barWidth, height());
    ucBar->setGeometry(width() - barWidth, 0, barWidth, height());
}

void ucUpDownBox::changeEvent(QEvent* event) {
    // System colours are resolved again when the desktop's palette changes.
    if (event->type() == QEvent::PaletteChange) applyColors();
    QWidget::changeEvent(event);
}

QSize ucUpDownBox::sizeHint() const {
    const QSize text = txtValue->sizeHint();
    return {text.width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this),
            text.height()};
}

QSize ucUpDownBox::minimumSizeHint() const {
    const QSize text = txtValue->minimumSizeHint();
    return {text.width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this),
            text.height()};
}
