#pragma once
// The operator's handles on the diagram: zoom (tool buttons and mouse wheel), rotation by dragging,
// simple or extended (geographic) diagram, and the bandwidth tags. The controller owns that state
// and the controls that change it (tool0..tool3 and the markers sel0, sel1, ssel on `pic`, the
// timers tmrZoom0, tmrZoom1, tmrDraw, and the menu actions mDiagramMode0, mDiagramMode1,
// mShowBandWidth for the window's menus), and redraws through DrawPic. The window hands in what
// the picture is made from through DiagramInputs, so this class knows neither the window nor its
// widgets.
#include "views/DiagramDrawing.h"
#include "views/DiagramHosts.h"
#include "views/LogText.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class CMemoryDC;
class PictureBox;
class QAction;
class QTimer;
class QWidget;
class clsHostIP;

struct DiagramInputs {
    // The raw log text (logf's). The decoded hosts are kept for as long as its revision is the
    // same.
    std::function<LogText()> logText;
    // Whether the diagram tab is the selected tab; the diagram is drawn only then.
    std::function<bool()> diagramSelected;
    // The geolocation object, asked for only when the extended diagram is drawn (so it may be
    // created on first use); none, or a null answer, draws no geography.
    std::function<clsHostIP*()> hostIP;
    // The flag images (FlagImages of views/FlagDC.h) by country number; null draws no flags.
    const std::vector<std::unique_ptr<CMemoryDC>>* flags = nullptr;
    // Image list items: the 48 x 48 server picture and the two 32 x 32 pointers.
    QImage serverPicture;
    QImage pointer;         // not dragging
    QImage pointerDragging; // dragging
};

class DiagramController : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint16 DiagramMode READ DiagramMode)
    Q_PROPERTY(double RotationOffset READ RotationOffset)
    Q_PROPERTY(bool Dragging READ Dragging)

public:
    // Creates the tool buttons and markers as children of pic, and the timers and actions as
    // children of this object. Give the window as parent so that findChild reaches them.
    DiagramController(PictureBox* pic, DiagramInputs inputs, QObject* parent = nullptr);
    ~DiagramController() override;

    PictureBox* pic() const { return pic_; }
    // 0 "Diagrama simple", 1 "Diagrama extendido (información geográfica)".
    qint16 DiagramMode() const { return diagramMode_; }
    // Radians added to every host's angle.
    double RotationOffset() const { return rotation_; }
    bool Dragging() const { return dragging_; }
    // The zoom is the surface's font size.
    float Zoom() const;

    QAction* mDiagramMode(int index) const;
    const DiagramDrawCache& drawCache() const { return drawCache_; }
    QAction* mShowBandWidth() const { return mShowBandWidth_; }

public slots:
    void mDiagramMode_Click(int Index);
    void mShowBandWidth_Click();
    void tool_Click(int Index);
    void tool_MouseDown(int Index, int Button, int Shift, float X, float Y);
    void tool_MouseUp(int Index, int Button, int Shift, float X, float Y);
    void tool_MouseMove(int Index, int Button, int Shift, float X, float Y);
    void tmrZoom_Timer(int Index);
    void tmrDraw_Timer();
    void pic_MouseDown(int Button, int Shift, float X, float Y);
    void pic_MouseMove(int Button, int Shift, float X, float Y);
    void pic_MouseUp(int Button, int Shift, float X, float Y);
    void pic_Resize();
    void MouseWheel_WheelMove(bool towardUser);
    // Draws the diagram when its tab is selected; otherwise leaves the surface as it is.
    void DrawPic();
    // The raw log text has changed: decode it again at the next drawing.
    void TextChanged();

private:
    void setZoom(float zoom);
    void setPointer(const QImage& picture);

    QPointer<PictureBox> pic_;
    DiagramInputs inputs_;
    DiagramHostCache cache_;
    DiagramDrawCache drawCache_;

    qint16 diagramMode_ = 0;
    double rotation_ = 0;
    bool dragging_ = false;
    float dragStartX_ = 0, dragStartY_ = 0;
    double rotationAtDragStart_ = 0;

    std::array<QWidget*, 4> tool_{};
    std::array<QWidget*, 2> sel_{};
    QWidget* ssel_ = nullptr;
    std::array<QTimer*, 2> tmrZoom_{};
    QTimer* tmrDraw_ = nullptr;
    std::array<QAction*, 2> mDiagramMode_{};
    QAction* mShowBandWidth_ = nullptr;
};
