#pragma once
// The message log: a multi-line text box that lists the conversation with the log service. The
// main window writes to it only through LogPRT (its AddLog); the box keeps at most MaxLength
// characters, dropping the oldest, and always shows the newest line. The text is kept at once,
// but the box is given it at most once per pass of the event loop and once per kRefreshMs, so
// that the thousands of lines of a fast transfer cost a few layouts, not thousands.
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

class logWnd : public QWidget {
    Q_OBJECT
public:
    explicit logWnd(QWidget* parent = nullptr);

    // Least time between two layouts of the box while entries keep coming.
    static constexpr int kRefreshMs = 50;

    // Appends CR LF and sLogData, keeps the last MaxLength characters (the cut may fall inside
    // an entry or between CR and LF) and puts the caret at the end.
    void LogPRT(const QString& sLogData);
    // A negative length keeps nothing, as a length of 0 does.
    void SetMaxLenght(qint16 sMaxLength);
    void LogCLS();

    qint16 MaxLength() const { return m_maxLength; }
    // The text with CR LF between entries, as the limit counts it.
    QString Text() const { return m_text; }
    // The inner text box (objectName "log").
    QPlainTextEdit* Box() const { return m_box; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleDisplay();
    void display();
    void takeTypedText();

    QPlainTextEdit* m_box;
    QString m_text;
    qint16 m_maxLength = 10000;
    bool m_setting = false;
    bool m_displayPending = false;
    QElapsedTimer m_sinceDisplay;
};
