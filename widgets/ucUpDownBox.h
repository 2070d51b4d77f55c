#pragma once
// The numeric box: a text box (`txtValue`) that holds one whole number within Min..Max, with a
// vertical scroll bar (`ucBar`) beside it that steps the number. The connection panel's buffer
// size is one. Whatever is typed, pasted or set, the box never ends up showing text it cannot
// read as a number, and Value always lies within Min..Max.
#include <QWidget>

class QLineEdit;
class QScrollBar;

class ucUpDownBox : public QWidget {
    Q_OBJECT
    // 0 left, 1 right, 2 centre.
    Q_PROPERTY(int Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(qint32 BackColor READ BackColor WRITE setBackColor)
    // 0 no border, 1 a single line around the text box.
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(qint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(qint32 Max READ Max WRITE setMax)
    Q_PROPERTY(qint32 Min READ Min WRITE setMin)
    Q_PROPERTY(qint32 Value READ Value WRITE setValue NOTIFY Change)
    Q_PROPERTY(QString Text READ Text WRITE setText NOTIFY Change)

public:
    explicit ucUpDownBox(QWidget* parent = nullptr);

    int Alignment() const { return m_alignment; }
    void setAlignment(int alignment);
    qint32 BackColor() const { return m_backColor; }
    void setBackColor(qint32 color);
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    qint32 ForeColor() const { return m_foreColor; }
    void setForeColor(qint32 color);

    // Setting one limit past the other moves the other along, so that Min <= Max always holds;
    // a Value outside the new range is brought within it.
    qint32 Max() const { return m_max; }
    void setMax(qint32 max);
    qint32 Min() const { return m_min; }
    void setMin(qint32 min);

    qint32 Value() const { return m_value; }
    // Held within Min..Max, then shown in decimal.
    void setValue(qint32 value);

    // The text the box shows.
    QString Text() const;
    // Converts before showing: an empty text gives 0; a text that is not a number, or a number
    // beyond the signed 32-bit range, gives Min; a number is rounded to a whole number and held
    // within Min..Max. The box then shows the result in decimal.
    void setText(const QString& text);
    // The number setText would show for text.
    qint32 ConvertText(const QString& text) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Raised after every change of the text that leaves a number in the box.
    void Change();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void txtValue_Change();
    void ucBar_Change(int barValue);
    void syncBar();
    void applyColors();

    QLineEdit* txtValue;
    QScrollBar* ucBar;
    int m_alignment = 0;
    qint32 m_backColor;
    int m_borderStyle = 1;
    qint32 m_foreColor;
    qint32 m_min = 0;
    qint32 m_max = 32767;
    qint32 m_value = 0;
    bool m_correcting = false; // the box is replacing the text itself
};
