#pragma once
// The splitter: places two named controls on either side of a bar the user can drag. The two
// controls are found by objectName among the splitter's siblings (or its own children) and are
// moved to cover the splitter's rectangle; the splitter keeps itself beneath them so that only
// its bar shows between them. Lengths are in twips (core/twips.h).
#include <QPointer>
#include <QWidget>

class ctlSplitter : public QWidget {
    Q_OBJECT
    // 0 none, 1 a single line around the splitter (the children are placed within it).
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    // The look of the bar that follows the mouse while dragging with LiveUpdate False:
    // appearance 0 flat, 1 raised; border 0 none, 1 a dark outline; colour its fill.
    Q_PROPERTY(int SplitterAppearance READ SplitterAppearance WRITE setSplitterAppearance)
    Q_PROPERTY(int SplitterBorder READ SplitterBorder WRITE setSplitterBorder)
    Q_PROPERTY(qint32 SplitterColor READ SplitterColor WRITE setSplitterColor)
    // 0 side by side (Child1 left), 1 stacked (Child1 on top).
    Q_PROPERTY(int Orientation READ Orientation WRITE setOrientation)
    Q_PROPERTY(int SplitterSize READ SplitterSize WRITE setSplitterSize)
    // 0 the bar stays SplitterPos from the left/top edge; 1 it stays at RatioFromTop of the
    // splitter's length.
    Q_PROPERTY(int Maintain READ Maintain WRITE setMaintain)
    Q_PROPERTY(int SplitterPos READ SplitterPos WRITE setSplitterPos)
    Q_PROPERTY(int CurrSplitterPos READ CurrSplitterPos)
    Q_PROPERTY(float RatioFromTop READ RatioFromTop WRITE setRatioFromTop)
    Q_PROPERTY(float CurrRatioFromTop READ CurrRatioFromTop)
    Q_PROPERTY(QString Child1 READ Child1 WRITE setChild1)
    Q_PROPERTY(QString Child2 READ Child2 WRITE setChild2)
    // The largest size of one child (0 unlimited); MaxSizeAppliesTo 0 Child1, 1 Child2.
    Q_PROPERTY(int MaxSize READ MaxSize WRITE setMaxSize)
    Q_PROPERTY(int MaxSizeAppliesTo READ MaxSizeAppliesTo WRITE setMaxSizeAppliesTo)
    Q_PROPERTY(int MinSize1 READ MinSize1 WRITE setMinSize1)
    Q_PROPERTY(int MinSize2 READ MinSize2 WRITE setMinSize2)
    // The smallest size of both children across the flow (their height when side by side).
    Q_PROPERTY(int MinSizeAux READ MinSizeAux WRITE setMinSizeAux)
    Q_PROPERTY(bool AllowResize READ AllowResize WRITE setAllowResize)
    Q_PROPERTY(bool LiveUpdate READ LiveUpdate WRITE setLiveUpdate)

public:
    explicit ctlSplitter(QWidget* parent = nullptr);
    ~ctlSplitter() override;

    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    int SplitterAppearance() const { return m_splitterAppearance; }
    void setSplitterAppearance(int appearance) { m_splitterAppearance = appearance; }
    int SplitterBorder() const { return m_splitterBorder; }
    void setSplitterBorder(int border) { m_splitterBorder = border; }
    qint32 SplitterColor() const { return m_splitterColor; }
    void setSplitterColor(qint32 color) { m_splitterColor = color; }
    int Orientation() const { return m_orientation; }
    void setOrientation(int orientation);
    int SplitterSize() const { return m_splitterSize; }
    void setSplitterSize(int twips);
    // Values other than 0 and 1 are ignored.
    int Maintain() const { return m_maintain; }
    void setMaintain(int maintain);

    // The desired position, as set or as last dragged; held within 0..32767.
    int SplitterPos() const { return m_splitterPos; }
    // Lays the children out at once and raises Resize. With Maintain 1 RatioFromTop follows.
    void setSplitterPos(int twips);
    // Where the bar stands after the child limits were applied.
    int CurrSplitterPos() const { return m_currSplitterPos; }
    float RatioFromTop() const { return m_ratioFromTop; }
    // A fraction 0..1. With Maintain 1 SplitterPos follows.
    void setRatioFromTop(float ratio);
    float CurrRatioFromTop() const;

    QString Child1() const { return m_child1; }
    void setChild1(const QString& name);
    QString Child2() const { return m_child2; }
    void setChild2(const QString& name);

    int MaxSize() const { return m_maxSize; }
    void setMaxSize(int twips);
    int MaxSizeAppliesTo() const { return m_maxSizeAppliesTo; }
    void setMaxSizeAppliesTo(int child);
    int MinSize1() const { return m_minSize1; }
    void setMinSize1(int twips);
    int MinSize2() const { return m_minSize2; }
    void setMinSize2(int twips);
    int MinSizeAux() const { return m_minSizeAux; }
    void setMinSizeAux(int twips);

    // False hides the bar (it then takes no room and cannot be dragged); True shows it again.
    bool AllowResize() const { return m_allowResize; }
    void setAllowResize(bool allow);
    // True: the children follow the bar while it is dragged; False: a ghost bar follows the
    // mouse and the children move when the button is released.
    bool LiveUpdate() const { return m_liveUpdate; }
    void setLiveUpdate(bool live) { m_liveUpdate = live; }

    // The bar's rectangle in the splitter's own pixels (empty while hidden).
    QRect BarRect() const;
    // Lays the children out anew (also done on every resize) and raises Resize.
    void Refresh();

signals:
    // Raised after the children have been placed: when the splitter's size changes, when
    // SplitterPos is set or dragged, and when a property that moves them is set.
    void Resize();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* findChildControl(const QString& name) const;
    void placeChild(QWidget* child, QRect area) const;
    void keepBeneath(QWidget* child1, QWidget* child2);
    QRect layoutArea() const;
    int lengthTwips() const;
    int barTwips() const;
    int limitPosition(int twips) const;
    int dragPosition(const QPoint& barPoint) const;
    void showGhost(int twips);
    void layoutChildren();

    int m_borderStyle = 0;
    int m_splitterAppearance = 1;
    int m_splitterBorder = 1;
    qint32 m_splitterColor;
    int m_orientation = 0;
    int m_splitterSize = 75;
    int m_maintain = 1;
    int m_splitterPos = 0;
    int m_currSplitterPos = 0;
    float m_ratioFromTop = 0.5f;
    QString m_child1;
    QString m_child2;
    int m_maxSize = 0;
    int m_maxSizeAppliesTo = 0;
    int m_minSize1 = 255;
    int m_minSize2 = 255;
    int m_minSizeAux = 255;
    bool m_allowResize = true;
    bool m_liveUpdate = true;

    QWidget* m_bar;
    QPointer<QWidget> m_ghost; // the dragged bar while LiveUpdate is False
    bool m_dragging = false;
    int m_grab = 0; // where in the bar the mouse took hold, in pixels
    int m_dragTwips = 0;
};
