#pragma once
// The console's main window. It owns every object of the program for its whole life (the socket,
// the geolocation object and the flags, the views and the widgets), lays itself out, and answers
// the buttons, the menus and the socket. The work itself is done by the subsystems: the
// conversation in link/, the table and the diagram in views/, settings and profiles in
// settings/; the handlers here keep the names operators' tools and tests find them by.
#include "link/ServiceConversation.h"
#include "views/LogTable.h"

#include <QMainWindow>
#include <QString>
#include <memory>
#include <vector>

class CMemoryDC;
class CSocketMaster;
class DiagramController;
class FindBar;
struct FindTarget;
class McImageList;
class MouseWheel;
class PictureBox;
class RawLogView;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class clsHostIP;
class ctlSplitter;
namespace ov {
class RaisedError;
}
class ctlTabs;
class logWnd;
class ucListView;
class ucSizeSubclass;
class ucUpDownBox;

class fMain : public QMainWindow, private ConversationHost {
    Q_OBJECT

public:
    // programFolder is where the console finds ovclient.ini, geodata/ and reference.txt; the
    // program passes its own folder, tests a folder of their own.
    explicit fMain(const QString& programFolder, QWidget* parent = nullptr);
    ~fMain() override;

    // The start-up work, run once before the window is first shown; commandLine is the text that
    // followed the program's name.
    void Form_Load(const QString& commandLine);

    // The log service's port: 5998, or another one a test has started a service on.
    void setServicePort(quint16 port) { servicePort_ = port; }
    // Most bytes one transfer may bring (2^30); tests lower it to reach it quickly.
    void setLogBufferLimit(qsizetype bytes) { conversation_.SetLogBufferLimit(bytes); }
    // Whether the console asks a service that can for only what a change adds to the log;
    // benchmarks and tests compare both.
    void setLogFollowing(bool on) { conversation_.SetFollowing(on); }

    CSocketMaster* wsock() const { return wsock_; }
    clsHostIP* HostIP() const { return hostIP_.get(); }
    const std::vector<std::unique_ptr<CMemoryDC>>& FlagDC() const { return flagDC_; }
    DiagramController* Diagram() const { return diagram_; }
    // The raw view's text, edits included: what the table and the diagram decode.
    const LogText& RawText() const;

signals:
    // Raised at the start of the last start-up step, just before the flags are loaded.
    void FlagsLoading();

public slots:
    // Connection panel.
    void cConnect_Click();
    void cDisconnect_Click();
    void cUpdate_Click();
    void cUpdateLog_Click();
    // Socket events.
    void wsock_Connect();
    void wsock_DataArrival(qint32 bytesTotal);
    void wsock_CloseSck();

    void AddLog(const QString& sText) override;
    void FillLV();
    void DrawPic();
    void LVInit();
    void OpenCfg(const QString& path);

    // Menus.
    void mOpenConfig_Click();
    void mSaveConfig_Click();
    void mExit_Click();
    void mStartupMaximize_Click();
    void mRowColors_Click();
    void mColorUsers_Click();
    void mViewConnectionPanel_Click();
    void mViewLeftPanel_Click();
    void mReference_Click();
    void mAbout_Click();

    // Layout and panels.
    void Form_Resize();
    void ConPanClose();
    void ConPanOpen();
    void LeftPanClose();
    void LeftPanOpen();
    void Frame1_MouseDown(int Button, int Shift, int X, int Y);
    void tabs_TabClick(int OldTab, int NewTab);

    // Find, on the raw view and the table: Ctrl+F opens the bar, F3 and Shift+F3 go on.
    void mFind_Click();
    void mFindNext_Click();
    void mFindPrevious_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ConversationHost: what the conversation with the service asks of the window.
    void SendText(const QString& text) override;
    void ShowLogText(QByteArray text) override;
    bool AppendLogText(QByteArray text, qsizetype limit) override;
    void RefreshViews() override;
    void CloseConnection() override;
    QString NumBytesText() const override;
    QString LogPathText() const override;

    void buildControls();
    void buildMenus();
    void createSocket();
    void wsock_Error(qint16 Number, QString& Description, const QString& Source);
    void showConnected(bool connected);
    void bringForward(QWidget* view);
    void loadFlags();
    void logRaisedError(const ov::RaisedError& error);
    QString socketErrorLine(qint32 number) const;
    void continueConversation();
    void resizeToDesign();
    FindTarget findTarget();
    void findBarClosed();

    QString programFolder_;
    quint16 servicePort_ = 5998;
    ServiceConversation conversation_;
    LogTable table_;
    bool conversationScheduled_ = false;
    int layoutDepth_ = 0;
    int savedSplitterPos_ = 0;
    int savedMinSize1_ = 0;

    CSocketMaster* wsock_ = nullptr;
    std::unique_ptr<clsHostIP> hostIP_;
    std::vector<std::unique_ptr<CMemoryDC>> flagDC_;

    QGroupBox* Frame1 = nullptr;
    QLineEdit* tIP = nullptr;
    ucUpDownBox* tNumBytes = nullptr;
    QLineEdit* tLogPath = nullptr;
    QWidget* Picture1 = nullptr;
    QPushButton* cConnect = nullptr;
    QPushButton* cDisconnect = nullptr;
    QPushButton* cUpdate = nullptr;
    QPushButton* cUpdateLog = nullptr;
    QLabel* status = nullptr;
    ctlSplitter* split = nullptr;
    logWnd* log = nullptr;
    QWidget* fr = nullptr;
    ctlTabs* tabs = nullptr;
    QComboBox* cLogType = nullptr;
    RawLogView* logf = nullptr;
    ucListView* lv = nullptr;
    PictureBox* pic = nullptr;
    DiagramController* diagram_ = nullptr;
    McImageList* iml = nullptr;
    MouseWheel* mouseWheel_ = nullptr;
    ucSizeSubclass* SizeSubclass = nullptr;
    FindBar* findBar_ = nullptr;
    int lastFoundRow_ = -1; // the table row Find showed last

    QAction* mStartupMaximize = nullptr;
    QAction* mRowColors = nullptr;
    QAction* mColorUsers = nullptr;
    QAction* mViewConnectionPanel = nullptr;
    QAction* mViewLeftPanel = nullptr;
};
