#pragma once
// The window size keeper: an invisible control that watches the top-level window it sits on
// (through an event filter) and keeps that window's size within its limits, given in twips.
// It also reports changes of the display, the system colours and the theme, and the moving and
// sizing of the window. Only one keeper may watch a window; a second one warns and switches
// itself off.
#include <QPointer>
#include <QWidget>

class QScreen;
class QTimer;

class ucSizeSubclass : public QWidget {
    Q_OBJECT
    // False: the keeper leaves the window alone (its limits are lifted) and raises no events.
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(qint32 MaxHeight READ MaxHeight WRITE setMaxHeight)
    Q_PROPERTY(qint32 MinHeight READ MinHeight WRITE setMinHeight)
    Q_PROPERTY(qint32 MaxWidth READ MaxWidth WRITE setMaxWidth)
    Q_PROPERTY(qint32 MinWidth READ MinWidth WRITE setMinWidth)
    // Size and position of the maximised window. The window manager places maximised windows
    // on this platform, so these are kept for the owner and not imposed.
    Q_PROPERTY(qint32 MaximizedHeight READ MaximizedHeight WRITE setMaximizedHeight)
    Q_PROPERTY(qint32 MaximizedWidth READ MaximizedWidth WRITE setMaximizedWidth)
    Q_PROPERTY(qint32 MaximizedXOffset READ MaximizedXOffset WRITE setMaximizedXOffset)
    Q_PROPERTY(qint32 MaximizedYOffset READ MaximizedYOffset WRITE setMaximizedYOffset)
    // The screen the window is on: bits per pixel, and size in pixels.
    Q_PROPERTY(qint32 DisplayColorDepth READ DisplayColorDepth)
    Q_PROPERTY(bool DisplayChanged READ DisplayChanged)
    Q_PROPERTY(qint32 DisplayHeight READ DisplayHeight)
    Q_PROPERTY(qint32 DisplayWidth READ DisplayWidth)
    // There is no window handle on this platform: 0.
    Q_PROPERTY(qint64 hWnd READ hWnd)
    Q_PROPERTY(bool SysColorChanged READ SysColorChanged)
    Q_PROPERTY(bool SysThemeChanged READ SysThemeChanged)

public:
    explicit ucSizeSubclass(QWidget* parent = nullptr);
    ~ucSizeSubclass() override;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // Limits in twips. A maximum of 0 or less means no maximum.
    qint32 MaxHeight() const { return m_maxHeight; }
    void setMaxHeight(qint32 twips);
    qint32 MinHeight() const { return m_minHeight; }
    void setMinHeight(qint32 twips);
    qint32 MaxWidth() const { return m_maxWidth; }
    void setMaxWidth(qint32 twips);
    qint32 MinWidth() const { return m_minWidth; }
    void setMinWidth(qint32 twips);
    qint32 MaximizedHeight() const { return m_maximizedHeight; }
    void setMaximizedHeight(qint32 twips) { m_maximizedHeight = twips; }
    qint32 MaximizedWidth() const { return m_maximizedWidth; }
    void setMaximizedWidth(qint32 twips) { m_maximizedWidth = twips; }
    qint32 MaximizedXOffset() const { return m_maximizedXOffset; }
    void setMaximizedXOffset(qint32 twips) { m_maximizedXOffset = twips; }
    qint32 MaximizedYOffset() const { return m_maximizedYOffset; }
    void setMaximizedYOffset(qint32 twips) { m_maximizedYOffset = twips; }

    qint32 DisplayColorDepth() const { return m_displayColorDepth; }
    bool DisplayChanged() const { return m_displayChanged; }
    qint32 DisplayHeight() const { return m_displayHeight; }
    qint32 DisplayWidth() const { return m_displayWidth; }
    qint64 hWnd() const { return 0; }
    bool SysColorChanged() const { return m_sysColorChanged; }
    bool SysThemeChanged() const { return m_sysThemeChanged; }

    // The window being watched (null when none, or when this keeper gave way to another).
    QWidget* WatchedWindow() const { return m_watched; }

    // How long the window must stay still after moving or sizing before FinishedSizeMove.
    static constexpr int kSettleMs = 200;

signals:
    // The display mode changed (DisplayChanged, DisplayWidth/Height/ColorDepth are updated).
    void DisplayModeChanged();
    // The system colours or the visual theme changed.
    void SysColorsChanged();
    // A change of the system colours followed a change of theme.
    void ThemeColorsChanged();
    void ParentMoving();
    void ParentSizing();
    void FinishedSizeMove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void attach();
    void detach();
    void applyLimits();
    void liftLimits();
    void recordDisplay();
    void displayChange();
    void themeChange();
    void colorChange();

    bool m_enabled = true;
    qint32 m_maxHeight = 0;
    qint32 m_minHeight = 0;
    qint32 m_maxWidth = 0;
    qint32 m_minWidth = 0;
    qint32 m_maximizedHeight = 0;
    qint32 m_maximizedWidth = 0;
    qint32 m_maximizedXOffset = 0;
    qint32 m_maximizedYOffset = 0;
    qint32 m_displayColorDepth = 0;
    qint32 m_displayHeight = 0;
    qint32 m_displayWidth = 0;
    bool m_displayChanged = false;
    bool m_sysColorChanged = false;
    bool m_sysThemeChanged = false;
    bool m_themeNoted = false;

    QPointer<QWidget> m_watched;
    QPointer<QScreen> m_screen;
    QTimer* m_settle;
};
