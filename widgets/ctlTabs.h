#pragma once
// The tab strip: a row of equally sized tabs over a container area. It covers its whole
// rectangle; the controls its owner shows "on" a tab are siblings lying in front of it, and the
// owner brings the right one forward when TabClick arrives. Tabs are numbered from 1.
#include <QFont>
#include <QStringList>
#include <QWidget>

class QPainter;
class QStyleOptionTab;

class ctlTabs : public QWidget {
    Q_OBJECT
    // Positions are given in twips to the owner, always.
    Q_PROPERTY(int ScaleMode READ ScaleMode)
    // Drawing-context and window handles of the Windows desktop have no counterpart here; both
    // read 0.
    Q_PROPERTY(qint64 hDC READ hDC)
    Q_PROPERTY(qint32 TextColor READ TextColor WRITE setTextColor)
    Q_PROPERTY(qint32 TextColorActive READ TextColorActive WRITE setTextColorActive)
    Q_PROPERTY(qint32 TabColor READ TabColor WRITE setTabColor)
    Q_PROPERTY(qint32 TabColorActive READ TabColorActive WRITE setTabColorActive)
    Q_PROPERTY(QFont TabFont READ TabFont WRITE setTabFont)
    Q_PROPERTY(QFont TabFontActive READ TabFontActive WRITE setTabFontActive)
    // Every tab's caption at once, tab 1 first (Caption(Index) reads and writes one).
    Q_PROPERTY(QStringList Captions READ Captions WRITE setCaptions)
    // Where the tabs stand: 0 top, 1 bottom, 2 left, 3 right.
    Q_PROPERTY(int Style READ Style WRITE setStyle)
    // Caption position within a tab, as a 3 x 3 grid read row by row: 0 top left, 1 top centre,
    // 2 top right, 3 middle left, 4 centred, 5 middle right, 6 bottom left, 7 bottom centre,
    // 8 bottom right.
    Q_PROPERTY(int CaptionAlignment READ CaptionAlignment WRITE setCaptionAlignment)
    // Size of every tab in pixels.
    Q_PROPERTY(int TabsWidth READ TabsWidth WRITE setTabsWidth)
    Q_PROPERTY(int TabsHeight READ TabsHeight WRITE setTabsHeight)
    Q_PROPERTY(int Tabs READ Tabs WRITE setTabs)
    Q_PROPERTY(int SelectedTab READ SelectedTab WRITE setSelectedTab)
    Q_PROPERTY(bool UseFocusRect READ UseFocusRect WRITE setUseFocusRect)
    // True: tabs drawn by the application style; False: flat tabs with raised edges.
    Q_PROPERTY(bool Themed READ Themed WRITE setThemed)
    Q_PROPERTY(qint64 hWnd READ hWnd)
    // True: the strip's own child widgets are kept sized to the container area.
    Q_PROPERTY(bool FitContainers READ FitContainers WRITE setFitContainers)

public:
    explicit ctlTabs(QWidget* parent = nullptr);

    int ScaleMode() const { return 1; }
    qint64 hDC() const { return 0; }
    qint64 hWnd() const { return 0; }

    qint32 TextColor() const { return m_textColor; }
    void setTextColor(qint32 color);
    qint32 TextColorActive() const { return m_textColorActive; }
    void setTextColorActive(qint32 color);
    qint32 TabColor() const { return m_tabColor; }
    void setTabColor(qint32 color);
    qint32 TabColorActive() const { return m_tabColorActive; }
    void setTabColorActive(qint32 color);
    QFont TabFont() const { return m_tabFont; }
    void setTabFont(const QFont& font);
    QFont TabFontActive() const { return m_tabFontActive; }
    void setTabFontActive(const QFont& font);

    // Index is a tab number, 1..Tabs; other numbers read "" and are ignored when written.
    QString Caption(int Index) const;
    void setCaption(int Index, const QString& text);
    QStringList Captions() const { return m_captions; }
    // Sets as many captions as there are tabs; missing ones become "".
    void setCaptions(const QStringList& captions);

    int Style() const { return m_style; }
    void setStyle(int style);
    int CaptionAlignment() const { return m_captionAlignment; }
    void setCaptionAlignment(int alignment);
    int TabsWidth() const { return m_tabsWidth; }
    void setTabsWidth(int pixels);
    int TabsHeight() const { return m_tabsHeight; }
    void setTabsHeight(int pixels);

    // At least 1. Fewer tabs than the selected one select the last.
    int Tabs() const { return m_captions.size(); }
    void setTabs(int count);
    int SelectedTab() const { return m_selectedTab; }
    // Selects tab (1..Tabs; other numbers are ignored) without raising TabClick.
    void setSelectedTab(int tab);

    bool UseFocusRect() const { return m_useFocusRect; }
    void setUseFocusRect(bool use);
    bool Themed() const { return m_themed; }
    void setThemed(bool themed);
    bool FitContainers() const { return m_fitContainers; }
    void setFitContainers(bool fit);

    // Pixel rectangle of tab (1..Tabs), empty for other numbers; the tab under a point, or 0.
    QRect TabRect(int tab) const;
    int TabAt(const QPoint& point) const;
    // The area below (or beside) the tabs that the views of the owner cover.
    QRect ContainerRect() const;

    QSize sizeHint() const override;

signals:
    // The user chose NewTab (by mouse or arrow key); SelectedTab already reads NewTab. Raised
    // also when the chosen tab was already selected (then OldTab == NewTab).
    void TabClick(int OldTab, int NewTab);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void userSelects(int tab);
    void fitContainers();
    void initTabOption(QStyleOptionTab& option, int tab) const;
    void drawTab(QPainter& painter, int tab) const;
    Qt::Alignment captionFlags() const;

    QStringList m_captions;
    qint32 m_textColor;
    qint32 m_textColorActive;
    qint32 m_tabColor;
    qint32 m_tabColorActive;
    QFont m_tabFont;
    QFont m_tabFontActive;
    // Until set, the tab fonts follow the control's own font.
    bool m_tabFontSet = false;
    bool m_tabFontActiveSet = false;
    int m_style = 0;
    int m_captionAlignment = 4;
    int m_tabsWidth = 80;
    int m_tabsHeight = 25;
    int m_selectedTab = 1;
    bool m_useFocusRect = true;
    bool m_themed = true;
    bool m_fitContainers = false;
};
