#pragma once
// The hyperlink label: a caption in the link colour that turns "hot" while the pointer is over
// it and "down" while it is pressed, and opens its address through the desktop when clicked.
// The About box shows two.
#include <QLabel>

class QTimer;

class Hyperlink : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QString URL READ URL WRITE setURL)
    // 0 a click only raises Click; 1 it also opens URL.
    Q_PROPERTY(int ClickResponse READ ClickResponse WRITE setClickResponse)
    Q_PROPERTY(qint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(qint32 ColorNormal READ ColorNormal WRITE setColorNormal)
    Q_PROPERTY(qint32 ColorHot READ ColorHot WRITE setColorHot)
    Q_PROPERTY(qint32 ColorDown READ ColorDown WRITE setColorDown)
    Q_PROPERTY(QString ToolTipText2 READ toolTip WRITE setToolTip)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    // Underline the caption while it is hot.
    Q_PROPERTY(bool HoverUnderline READ HoverUnderline WRITE setHoverUnderline)

public:
    enum class State { Normal, Hot, Down };
    static constexpr int kOpenURL = 1;
    // How often the pointer is looked for while the label is hot.
    static constexpr int kPollMs = 50;

    explicit Hyperlink(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }
    QString URL() const { return m_url; }
    void setURL(const QString& url) { m_url = url; }
    int ClickResponse() const { return m_clickResponse; }
    void setClickResponse(int response) { m_clickResponse = response; }
    qint32 BackColor() const { return m_backColor; }
    void setBackColor(qint32 color);
    qint32 ColorNormal() const { return m_colorNormal; }
    void setColorNormal(qint32 color);
    qint32 ColorHot() const { return m_colorHot; }
    void setColorHot(qint32 color);
    qint32 ColorDown() const { return m_colorDown; }
    void setColorDown(qint32 color);
    bool HoverUnderline() const { return m_hoverUnderline; }
    void setHoverUnderline(bool underline);

    // Opens sURL through the desktop; false when it is empty or could not be opened.
    bool ShowURL(const QString& sURL);

    State CurrentState() const { return m_state; }

signals:
    // Raised before the address of a click is opened.
    void OpeningURL(const QString& sURL);
    void Click();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setState(State state);
    void tmrMouse_Timer();
    void applyLook();

    QString m_url;
    int m_clickResponse = kOpenURL;
    qint32 m_backColor;
    qint32 m_colorNormal;
    qint32 m_colorHot;
    qint32 m_colorDown;
    bool m_hoverUnderline = true;
    State m_state = State::Normal;
    bool m_applying = false;
    QTimer* tmrMouse;
};
