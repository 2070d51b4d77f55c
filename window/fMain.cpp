#include "window/fMain.h"

#include "core/ansi.h"
#include "core/raised_error.h"
#include "core/text.h"
#include "core/twips.h"
#include "core/ui_seam.h"
#include "geo/clsHostIP.h"
#include "link/CSocketMaster.h"
#include "link/SocketErrors.h"
#include "settings/AppSettings.h"
#include "settings/Profile.h"
#include "settings/cCommonDialog.h"
#include "settings/modCmdLineParser.h"
#include "settings/pobos.h"
#include "views/CMemoryDC.h"
#include "views/DiagramController.h"
#include "views/DiagramPictures.h"
#include "views/FindBar.h"
#include "views/FlagDC.h"
#include "views/MouseWheel.h"
#include "views/PictureBox.h"
#include "views/RawLogView.h"
#include "views/logWnd.h"
#include "views/modColor.h"
#include "views/modUserColor.h"
#include "widgets/McImageList.h"
#include "widgets/ctlSplitter.h"
#include "widgets/ctlTabs.h"
#include "widgets/ucListView.h"
#include "widgets/ucSizeSubclass.h"
#include "widgets/ucUpDownBox.h"
#include "window/fAbout.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kConnectionPanelHeight = 1575; // design height of Frame1
constexpr int kCollapsedHeight = 225;        // only the caption line shows
constexpr int kCaptionLine = 240;            // a click at or above this Y hits the caption
constexpr int kMargin = 60;
constexpr int kViewsTop = 480; // top of the three views inside fr
const QString kFrameCaption = QStringLiteral("[-]  Conexión");

// Geometry in twips, as the window is laid out; Qt places widgets in pixels.
void moveTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(ov::twipsToPixels(left), ov::twipsToPixels(top), ov::twipsToPixels(width),
                   ov::twipsToPixels(height));
}
int leftTwips(const QWidget* w) {
    return ov::pixelsToTwips(w->x());
}
int topTwips(const QWidget* w) {
    return ov::pixelsToTwips(w->y());
}
int widthTwips(const QWidget* w) {
    return ov::pixelsToTwips(w->width());
}
int heightTwips(const QWidget* w) {
    return ov::pixelsToTwips(w->height());
}

// One layout step fails, as a negative size would, and the control keeps its geometry.
bool validSize(int width, int height) {
    return width >= 0 && height >= 0;
}

template <class T> T* named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

void setColors(QLabel* label, const QColor& back, const QColor& text) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, text);
    label->setPalette(pal);
}

// A menu item whose handler inverts its own check mark: the menu's automatic toggle is undone
// first, so that the handler behaves the same when the program calls it.
QAction* toggleItem(QMenu* menu, const char* name, const QString& caption, bool checked,
                    QObject* receiver, void (fMain::*handler)()) {
    auto* action = named(menu->addAction(caption), name);
    action->setCheckable(true);
    action->setChecked(checked);
    QObject::connect(action, &QAction::triggered, receiver, [action, receiver, handler](bool now) {
        action->setChecked(!now);
        (static_cast<fMain*>(receiver)->*handler)();
    });
    return action;
}

} // namespace

fMain::fMain(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), programFolder_(programFolder), conversation_(*this) {
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("Cliente de Orvalen"));
    EnsureTahomaFont();
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    SetProgramFolder(programFolder_);
    buildControls();
    buildMenus();
    resizeToDesign();
}

// The client area of the design under the menu bar. The size keeper's design-time limits may cut
// this until start-up raises them to the screen, which is why Form_Load applies it again.
void fMain::resizeToDesign() {
    constexpr int kClientWidth = 10200;
    constexpr int kClientHeight = 6885;
    resize(ov::twipsToPixels(kClientWidth),
           ov::twipsToPixels(kClientHeight) + menuBar()->sizeHint().height());
}

fMain::~fMain() {
    // The diagram's controller reaches into pic; let it go before the widgets do.
    delete diagram_;
    diagram_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Controls and menus

void fMain::buildControls() {
    auto* client = named(new QWidget(this), "client");
    setCentralWidget(client);

    Frame1 = named(new QGroupBox(kFrameCaption, client), "Frame1");
    Frame1->installEventFilter(this);
    moveTwips(Frame1, kMargin, kMargin, 10080, kConnectionPanelHeight);
    moveTwips(named(new QLabel(QStringLiteral("IP:"), Frame1), "Label1"), 240, 240, 375, 255);
    tIP = named(new QLineEdit(QStringLiteral("127.0.0.1"), Frame1), "tIP");
    moveTwips(tIP, 600, 240, 3375, 285);
    moveTwips(named(new QLabel(QStringLiteral("Capacidad del búfer:"), Frame1), "Label2"), 240, 720,
              1500, 195);
    tNumBytes = named(new ucUpDownBox(Frame1), "tNumBytes");
    tNumBytes->setFont(QFont(QStringLiteral("Tahoma"), 8));
    tNumBytes->setAlignment(1);
    tNumBytes->setMin(0);
    tNumBytes->setMax(2100000000);
    tNumBytes->setValue(2000);
    moveTwips(tNumBytes, 1920, 720, 1215, 315);
    moveTwips(named(new QLabel(QStringLiteral("bytes"), Frame1), "Label3"), 3240, 720, 615, 255);
    moveTwips(named(new QLabel(QStringLiteral("Archivo de logs remoto:"), Frame1), "Label4"), 240,
              1200, 2055, 255);
    tLogPath = named(new QLineEdit(QStringLiteral("E:\\Logs web\\access.log"), Frame1), "tLogPath");
    moveTwips(tLogPath, 2040, 1200, 1935, 285);

    Picture1 = named(new QWidget(Frame1), "Picture1");
    moveTwips(Picture1, 4080, 240, 2775, 855);
    cConnect = named(new QPushButton(QStringLiteral("Conectar"), Picture1), "cConnect");
    moveTwips(cConnect, 0, 0, 1215, 285);
    // "Desconectar" lies exactly over "Conectar": while it shows, "Conectar" cannot be reached.
    cDisconnect = named(new QPushButton(QStringLiteral("Desconectar"), Picture1), "cDisconnect");
    moveTwips(cDisconnect, 0, 0, 1215, 285);
    cDisconnect->raise();
    cDisconnect->hide();
    cUpdate = named(new QPushButton(QStringLiteral("Actualizar"), Picture1), "cUpdate");
    moveTwips(cUpdate, 0, 480, 1215, 285);
    cUpdate->setEnabled(false);
    cUpdateLog = named(new QPushButton(QStringLiteral("Pedir log ahora"), Picture1), "cUpdateLog");
    moveTwips(cUpdateLog, 1320, 480, 1455, 285);
    cUpdateLog->setEnabled(false);
    status = named(new QLabel(Picture1), "status");
    status->setAlignment(Qt::AlignCenter);
    status->setAutoFillBackground(true);
    moveTwips(status, 1320, 0, 1410, 225);
    connect(cConnect, &QPushButton::clicked, this, &fMain::cConnect_Click);
    connect(cDisconnect, &QPushButton::clicked, this, &fMain::cDisconnect_Click);
    connect(cUpdate, &QPushButton::clicked, this, &fMain::cUpdate_Click);
    connect(cUpdateLog, &QPushButton::clicked, this, &fMain::cUpdateLog_Click);
    showConnected(false);

    // The splitter places its two named siblings: the message log left, the view area right.
    log = named(new logWnd(client), "log");
    fr = named(new QWidget(client), "fr");
    split = named(new ctlSplitter(client), "split");
    split->setOrientation(0);
    split->setMaintain(0);
    split->setRatioFromTop(0.25f);
    split->setMaxSizeAppliesTo(1);
    split->setMinSize1(1500);
    split->setSplitterPos(2307);
    split->setChild1(QStringLiteral("log"));
    split->setChild2(QStringLiteral("fr"));
    moveTwips(split, kMargin, kMargin + kConnectionPanelHeight + kMargin, 10080, 5085);
    connect(split, &ctlSplitter::Resize, this, &fMain::Form_Resize);

    // Inside fr: the tab strip behind everything, the log type list on the tab row, the views.
    tabs = named(new ctlTabs(fr), "tabs");
    tabs->setTabs(3);
    tabs->setCaption(1, QStringLiteral("En bruto"));
    tabs->setCaption(2, QStringLiteral("Tabla"));
    tabs->setCaption(3, QStringLiteral("Diagrama"));
    tabs->setTabsWidth(80);
    tabs->setTabsHeight(25);
    tabs->setStyle(0);
    tabs->setCaptionAlignment(4);
    tabs->setUseFocusRect(false);
    tabs->setThemed(true);
    tabs->setFitContainers(false);
    tabs->setTabColor(SystemColor(16));
    tabs->setTabColorActive(SystemColor(15));
    tabs->setTextColor(SystemColor(20));
    tabs->setTextColorActive(SystemColor(18));
    tabs->setSelectedTab(1);
    connect(tabs, &ctlTabs::TabClick, this, &fMain::tabs_TabClick);

    cLogType = named(new QComboBox(fr), "cLogType");
    cLogType->addItem(QStringLiteral("Apache 1.x/2.x Standard Logs"));
    cLogType->setGeometry(ov::twipsToPixels(4320), 0, ov::twipsToPixels(2775),
                          cLogType->sizeHint().height());

    logf = named(new RawLogView(fr), "logf");
    QFont courier(QStringLiteral("Courier New"));
    courier.setPointSizeF(8.25);
    courier.setStyleHint(QFont::Monospace);
    courier.setFixedPitch(true);
    logf->setFont(courier);
    logf->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logf->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    lv = named(new ucListView(fr), "lv");
    connect(lv, &ucListView::OnSubItemPrePaint, this, [this](int item, int, SubItemColors* colors) {
        const CellColors c =
            table_.PrePaint(item, mColorUsers->isChecked(), mRowColors->isChecked(),
                            CellColors{colors->BackColor, colors->TextColor, false});
        colors->BackColor = c.BackColor;
        colors->TextColor = c.TextColor;
        colors->Handled = c.Handled;
    });

    pic = named(new PictureBox(fr), "pic");
    iml = named(new McImageList(this), "iml");
    iml->AddNewImage(LoadDiagramPicture(DiagramPicture::Server));
    iml->AddNewImage(LoadDiagramPicture(DiagramPicture::Pointer));
    iml->AddNewImage(LoadDiagramPicture(DiagramPicture::PointerDragging));
    iml->setCurrentImage(2);
    DiagramInputs inputs;
    inputs.logText = [this] { return RawText(); };
    inputs.diagramSelected = [this] { return tabs->SelectedTab() == 3; };
    // Start-up creates the geolocation object; the flags arrive last, as they are loaded.
    inputs.hostIP = [this] { return hostIP_.get(); };
    inputs.flags = &flagDC_;
    inputs.serverPicture = iml->Image(0);
    inputs.pointer = iml->Image(1);
    inputs.pointerDragging = iml->Image(2);
    diagram_ = new DiagramController(pic, std::move(inputs), this);
    for (QWidget* view :
         {static_cast<QWidget*>(logf), static_cast<QWidget*>(lv), static_cast<QWidget*>(pic)})
        moveTwips(view, 90, kViewsTop, 6000, 3000);
    bringForward(logf);

    findBar_ = named(new FindBar(fr), "findBar");
    findBar_->hide();
    connect(findBar_, &FindBar::closed, this, &fMain::findBarClosed);
    for (const auto& [keys, handler] :
         {std::pair{QKeySequence(QKeySequence::Find), &fMain::mFind_Click},
          std::pair{QKeySequence(Qt::Key_F3), &fMain::mFindNext_Click},
          std::pair{QKeySequence(Qt::SHIFT | Qt::Key_F3), &fMain::mFindPrevious_Click}}) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, handler);
    }

    mouseWheel_ = named(new MouseWheel(this), "MouseWheel");
    connect(mouseWheel_, &MouseWheel::WheelMove, diagram_,
            &DiagramController::MouseWheel_WheelMove);

    SizeSubclass = named(new ucSizeSubclass(this), "SizeSubclass");
    SizeSubclass->setMinHeight(3735);
    SizeSubclass->setMaxHeight(6000);
    SizeSubclass->setMinWidth(7410);
    SizeSubclass->setMaxWidth(14000);
    SizeSubclass->setMaximizedHeight(0);
    SizeSubclass->setMaximizedWidth(0);
}

void fMain::buildMenus() {
    QMenu* mFile = menuBar()->addMenu(QStringLiteral("Archivo"));
    mFile->setObjectName(QStringLiteral("mFile"));
    connect(named(mFile->addAction(QStringLiteral("Abrir configuración")), "mOpenConfig"),
            &QAction::triggered, this, &fMain::mOpenConfig_Click);
    connect(named(mFile->addAction(QStringLiteral("Guardar configuración")), "mSaveConfig"),
            &QAction::triggered, this, &fMain::mSaveConfig_Click);
    named(mFile->addSeparator(), "mSep1");
    connect(named(mFile->addAction(QStringLiteral("Salir")), "mExit"), &QAction::triggered, this,
            &fMain::mExit_Click);

    QMenu* mOptions = menuBar()->addMenu(QStringLiteral("Opciones"));
    mOptions->setObjectName(QStringLiteral("mOptions"));
    mStartupMaximize =
        toggleItem(mOptions, "mStartupMaximize", QStringLiteral("Maximizar al inicio"), false, this,
                   &fMain::mStartupMaximize_Click);
    mRowColors = toggleItem(mOptions, "mRowColors", QStringLiteral("Alternar color de tabla"), true,
                            this, &fMain::mRowColors_Click);
    mColorUsers = toggleItem(mOptions, "mColorUsers", QStringLiteral("Colorear usuarios"), false,
                             this, &fMain::mColorUsers_Click);
    mOptions->addAction(diagram_->mShowBandWidth());

    QMenu* mView = menuBar()->addMenu(QStringLiteral("Ver"));
    mView->setObjectName(QStringLiteral("mView"));
    mViewConnectionPanel =
        toggleItem(mView, "mViewConnectionPanel", QStringLiteral("Panel de conexión"), true, this,
                   &fMain::mViewConnectionPanel_Click);
    mViewLeftPanel =
        toggleItem(mView, "mViewLeftPanel", QStringLiteral("Panel de operaciones (izquierdo)"),
                   true, this, &fMain::mViewLeftPanel_Click);
    named(mView->addSeparator(), "mSep2");
    mView->addAction(diagram_->mDiagramMode(0));
    mView->addAction(diagram_->mDiagramMode(1));

    QMenu* mAyuda = menuBar()->addMenu(QStringLiteral("Ayuda"));
    mAyuda->setObjectName(QStringLiteral("mAyuda"));
    QAction* mReference = named(mAyuda->addAction(QStringLiteral("Referencia")), "mReference");
    mReference->setShortcut(Qt::Key_F1);
    connect(mReference, &QAction::triggered, this, &fMain::mReference_Click);
    QAction* mAbout =
        named(mAyuda->addAction(QStringLiteral("Acerca de Orvalen (Cliente)")), "mAbout");
    mAbout->setShortcut(Qt::Key_F2);
    connect(mAbout, &QAction::triggered, this, &fMain::mAbout_Click);
}

// ---------------------------------------------------------------------------------------------
// Start-up

void fMain::Form_Load(const QString& commandLine) {
    createSocket();                                                 // 1
    log->SetMaxLenght(1000);                                        // 2
    LVInit();                                                       // 3
    if (const QScreen* screen = QGuiApplication::primaryScreen()) { // 4
        const QSize size = screen->size();
        SizeSubclass->setMaxWidth(ov::pixelsToTwips(size.width()));
        SizeSubclass->setMaximizedWidth(ov::pixelsToTwips(size.width()));
        SizeSubclass->setMaxHeight(ov::pixelsToTwips(size.height()));
        SizeSubclass->setMaximizedHeight(ov::pixelsToTwips(size.height()));
    }
    resizeToDesign();             // what the design-time limits cut in the constructor
    cLogType->setCurrentIndex(0); // 5
    Frame1->setProperty("Tag", QString::number(heightTwips(Frame1))); // 6
    // 7: the diagram starts simple; its controller holds DiagramMode.
    hostIP_ = std::make_unique<clsHostIP>(); // 8
    hostIP_->setDatabasePath(AddSlash(programFolder_) + QStringLiteral("geodata") +
                             QDir::separator());
    pic->SetStretchBltMode(PictureBox::kStretchHalftone); // 9

    SetCommandLine(commandLine); // 10
    QStringList values;
    if (getParmValue(QStringLiteral("i"), values)) {
        OpenCfg(values.value(0));
        if (getParmValue(QStringLiteral("c"), values)) cConnect_Click();
    }

    if (ReadOption(kStartupMaximize)) { // 11
        mStartupMaximize->setChecked(true);
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        mStartupMaximize->setChecked(false);
    }
    if (!ReadOption(kViewConnectionPanel)) {
        ConPanClose();
        mViewConnectionPanel->setChecked(false);
    }
    if (!ReadOption(kViewLeftPanel)) {
        LeftPanClose();
        mViewLeftPanel->setChecked(false);
    }
    if (!ReadOption(kRowColors)) mRowColors->setChecked(false);
    if (ReadOption(kColorUsers)) mColorUsers->setChecked(true);

    InitUserColors();                  // 12
    diagram_->pic_MouseUp(0, 0, 0, 0); // 13

    QApplication::processEvents(); // 14
    show();
    QApplication::processEvents();

    emit FlagsLoading(); // 15
    loadFlags();
}

void fMain::createSocket() {
    wsock_ = named(new CSocketMaster(this), "wsock");
    connect(wsock_, &CSocketMasterEvents::Connect, this, &fMain::wsock_Connect);
    connect(wsock_, &CSocketMaster::DataArrival, this, &fMain::wsock_DataArrival);
    connect(wsock_, &CSocketMasterEvents::CloseSck, this, &fMain::wsock_CloseSck);
    connect(wsock_, &CSocketMaster::Error, this,
            [this](qint16 number, QString& description, qint32, QString source, QString, qint32,
                   bool&) { wsock_Error(number, description, source); });
}

void fMain::loadFlags() {
    flagDC_ = LoadFlagDC(*hostIP_, programFolder_);
}

// ---------------------------------------------------------------------------------------------
// The conversation with the service

void fMain::cConnect_Click() {
    if (!wsock_) return;
    try {
        // A failed attempt leaves the socket in its error state, where it refuses to connect;
        // release it first so that "Conectar" always tries again. A socket that could not even
        // be made (no file descriptors left) has nothing to release and would stay in its error
        // state for good: a new socket object takes its place.
        const qint32 state = wsock_->State();
        if (state == CSocketMaster::sckError && wsock_->SocketHandle() == -1) {
            wsock_->disconnect(this);
            wsock_->setObjectName(QString());
            wsock_->deleteLater();
            createSocket();
        } else if (state == CSocketMaster::sckError || state == CSocketMaster::sckClosing) {
            wsock_->CloseSck();
        }
        wsock_->Connect(tIP->text(), ov::SocketVariant(qint32(servicePort_)));
    } catch (const ov::RaisedError& e) {
        logRaisedError(e);
    }
}

void fMain::cDisconnect_Click() {
    conversation_.RequestDisconnect();
}
void fMain::cUpdate_Click() {
    conversation_.SendConfiguration();
}
void fMain::cUpdateLog_Click() {
    conversation_.RequestLog();
}

void fMain::wsock_Connect() {
    showConnected(true);
    conversation_.OnConnected();
}

void fMain::wsock_DataArrival(qint32) {
    QByteArray data;
    try {
        data = wsock_->GetDataBytes();
    } catch (const ov::RaisedError& e) {
        logRaisedError(e);
        return;
    }
    conversation_.OnDataArrival(data);
    continueConversation();
}

void fMain::continueConversation() {
    // A framed service may glue many messages into one arrival; they are worked off a share per
    // pass of the event loop, so the window keeps answering in between.
    if (conversationScheduled_ || !conversation_.HasWorkLeft()) return;
    conversationScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        conversationScheduled_ = false;
        conversation_.ProcessBacklog();
        continueConversation();
    });
}

void fMain::wsock_CloseSck() {
    CloseConnection();
}

void fMain::wsock_Error(qint16 Number, QString&, const QString&) {
    // A refused or broken connection would otherwise leave no trace, and a connection reset in
    // mid-conversation would leave the window showing "Conectado" over a dead socket.
    AddLog(socketErrorLine(Number));
    if (!cDisconnect->isHidden()) CloseConnection();
}

// One line of the message log for the operator: the number, what happened in Spanish and the
// host it happened with; the socket's own English text and the operation it came from are for
// developers.
QString fMain::socketErrorLine(qint32 number) const {
    QString host = wsock_ ? wsock_->RemoteHost() : QString();
    if (host.isEmpty()) host = tIP->text();
    return QStringLiteral("Error de conexión %1: %2")
        .arg(QString::number(number), ov::sck::OperatorDescription(number, host));
}

void fMain::SendText(const QString& text) {
    try {
        wsock_->SendData(text);
    } catch (const ov::RaisedError& e) {
        logRaisedError(e);
    }
}

void fMain::CloseConnection() {
    conversation_.OnDisconnected();
    try {
        wsock_->CloseSck();
    } catch (const ov::RaisedError& e) {
        logRaisedError(e);
    }
    showConnected(false);
}

void fMain::showConnected(bool connected) {
    status->setText(connected ? QStringLiteral("Conectado") : QStringLiteral("Desconectado"));
    if (connected)
        setColors(status, QColor(0, 255, 0), QColor(0, 0, 0));
    else
        setColors(status, QColor(255, 0, 0), QColor(255, 255, 255));
    cDisconnect->setVisible(connected);
    tIP->setEnabled(!connected);
    cUpdate->setEnabled(connected);
    cUpdateLog->setEnabled(connected);
}

void fMain::logRaisedError(const ov::RaisedError& error) {
    // Only the socket's operations raise here.
    AddLog(socketErrorLine(qint32(error.Number)));
}

QString fMain::NumBytesText() const {
    return tNumBytes->Text();
}
QString fMain::LogPathText() const {
    return tLogPath->text();
}

void fMain::AddLog(const QString& sText) {
    log->LogPRT(sText);
}

// ---------------------------------------------------------------------------------------------
// The raw view, the table and the diagram

const LogText& fMain::RawText() const {
    return logf->logText();
}

void fMain::ShowLogText(QByteArray text) {
    logf->SetLogText(LogText(std::move(text)));
}

bool fMain::AppendLogText(QByteArray text, qsizetype limit) {
    if (text.size() > limit - logf->logText().Size()) return false;
    logf->AppendLogText(text);
    return true;
}

void fMain::RefreshViews() {
    FillLV();
    DrawPic();
}

void fMain::LVInit() {
    lv->Initialize();
    lv->setViewMode(kLVViewMode);
    lv->setBorderStyle(kLVBorderStyle);
    lv->setGridLines(true);
    lv->setFullRowSelect(true);
    lv->setRaiseSubItemPrePaint(true);
    for (const LVColumn& column : kLVColumns)
        lv->ColumnAdd(column.Column, column.Text.toString(), column.Width);
}

void fMain::FillLV() {
    if (tabs->SelectedTab() == 2) {
        lv->Clear();
        // The table keeps the text as it stands now while the raw view goes on being edited.
        table_.SetText(RawText().Snapshot());
        lv->SetVirtualItems(table_.Count(),
                            [this](int item, int subItem) { return table_.Cell(item, subItem); });
    }
    lv->ItemEnsureVisible(lv->Count() - 1);
}

void fMain::DrawPic() {
    diagram_->DrawPic();
}

// ---------------------------------------------------------------------------------------------
// Profiles, options and the help menu

void fMain::OpenCfg(const QString& path) {
    const ProfileValues values = ReadProfile(path);
    tIP->setText(values.ip);
    tNumBytes->setText(values.numbytes);
    tLogPath->setText(values.logpath);
    const int old = tabs->SelectedTab();
    tabs->setSelectedTab(values.view);
    // The view follows the tab, as a click on it would bring it forward.
    tabs_TabClick(old, values.view);
}

void fMain::mOpenConfig_Click() {
    QString filename, title, filter = QStringLiteral("Perfil de configuración (OVP)|*.ovp");
    bool readOnly = false;
    qint32 filterIndex = 1, flags = 0;
    if (!cCommonDialog(this).VBGetOpenFileName(
            filename, title, true, false, readOnly, false, filter, filterIndex, QString(),
            QStringLiteral("Abrir configuración"), QStringLiteral("ovp"), -1, flags))
        return;
    OpenCfg(filename);
}

void fMain::mSaveConfig_Click() {
    QString filename, title, filter = QStringLiteral("Perfil de configuración (OVP)|*.ovp");
    qint32 filterIndex = 1, flags = 0;
    if (!cCommonDialog(this).VBGetSaveFileName(filename, title, true, filter, filterIndex,
                                               QString(), QStringLiteral("Guardar configuración"),
                                               QStringLiteral("ovp"), -1, flags))
        return;
    WriteProfile(filename, ProfileValues{tIP->text(), tNumBytes->Text(), tLogPath->text(),
                                         tabs->SelectedTab()});
}

void fMain::mExit_Click() {
    close();
}

void fMain::mStartupMaximize_Click() {
    mStartupMaximize->setChecked(!mStartupMaximize->isChecked());
    WriteOption(kStartupMaximize, mStartupMaximize->isChecked());
}

void fMain::mRowColors_Click() {
    mRowColors->setChecked(!mRowColors->isChecked());
    WriteOption(kRowColors, mRowColors->isChecked());
    FillLV();
}

void fMain::mColorUsers_Click() {
    mColorUsers->setChecked(!mColorUsers->isChecked());
    WriteOption(kColorUsers, mColorUsers->isChecked());
    FillLV();
}

void fMain::mViewConnectionPanel_Click() {
    mViewConnectionPanel->setChecked(!mViewConnectionPanel->isChecked());
    WriteOption(kViewConnectionPanel, mViewConnectionPanel->isChecked());
    if (mViewConnectionPanel->isChecked())
        ConPanOpen();
    else
        ConPanClose();
}

void fMain::mViewLeftPanel_Click() {
    mViewLeftPanel->setChecked(!mViewLeftPanel->isChecked());
    WriteOption(kViewLeftPanel, mViewLeftPanel->isChecked());
    if (mViewLeftPanel->isChecked())
        LeftPanOpen();
    else
        LeftPanClose();
}

void fMain::mReference_Click() {
    // The desktop's viewer of plain text would not say clearly that the file is missing.
    const QString path = AddSlash(programFolder_) + QStringLiteral("reference.txt");
    if (!QFileInfo::exists(path)) {
        ov::ui::messageBox(QStringLiteral("No se encuentra la referencia del operador:\n%1")
                               .arg(QDir::toNativeSeparators(path)),
                           QStringLiteral("Referencia"), ov::ui::Icon::Exclamation);
        return;
    }
    ov::ui::openUrl(QUrl::fromLocalFile(path).toString());
}

void fMain::mAbout_Click() {
    fAbout about(this);
    about.exec();
}

// ---------------------------------------------------------------------------------------------
// Layout and panels

void fMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void fMain::Form_Resize() {
    // The splitter's event runs the pass again from inside step 2; a few levels are all a
    // change can need, and the limit keeps a misbehaving child from recursing for ever.
    if (layoutDepth_ > 4 || !split) return;
    ++layoutDepth_;
    const QWidget* client = centralWidget();
    const int W = widthTwips(client);
    const int H = heightTwips(client);

    if (validSize(W - 120, heightTwips(Frame1)))
        moveTwips(Frame1, kMargin, kMargin, W - 120, heightTwips(Frame1));
    const int T = topTwips(split);
    if (validSize(W - 120, H - kMargin - T))
        moveTwips(split, kMargin, topTwips(Frame1) + heightTwips(Frame1) + kMargin, W - 120,
                  H - kMargin - T);
    moveTwips(tabs, 0, 0, widthTwips(fr), heightTwips(fr));
    const int top = topTwips(logf);
    const int width = widthTwips(fr) - 180;
    // An open find bar takes its height from under the view it searches.
    const int bar =
        findBar_ && findBar_->isVisible() ? ov::pixelsToTwips(findBar_->sizeHint().height()) : 0;
    const int height = heightTwips(fr) - top - 180 - bar;
    if (validSize(width, height)) {
        for (QWidget* view :
             {static_cast<QWidget*>(logf), static_cast<QWidget*>(lv), static_cast<QWidget*>(pic)})
            moveTwips(view, 90, top, width, height);
        if (bar > 0) moveTwips(findBar_, 90, top + height, width, bar);
    }
    DrawPic();
    --layoutDepth_;
}

void fMain::ConPanClose() {
    Frame1->setTitle(QStringLiteral("[+]") + Frame1->title().mid(3));
    moveTwips(Frame1, leftTwips(Frame1), topTwips(Frame1), widthTwips(Frame1), kCollapsedHeight);
    Form_Resize();
    Form_Resize();
}

void fMain::ConPanOpen() {
    Frame1->setTitle(QStringLiteral("[-]") + Frame1->title().mid(3));
    moveTwips(Frame1, leftTwips(Frame1), topTwips(Frame1), widthTwips(Frame1),
              Frame1->property("Tag").toString().toInt());
    Form_Resize();
    Form_Resize();
}

void fMain::Frame1_MouseDown(int, int, int, int Y) {
    if (Y <= kCaptionLine) {
        if (Frame1->title().startsWith(QLatin1String("[-]"))) {
            Frame1->setTitle(QStringLiteral("[+]") + Frame1->title().mid(3));
            Frame1->setProperty("Tag", QString::number(heightTwips(Frame1)));
            moveTwips(Frame1, leftTwips(Frame1), topTwips(Frame1), widthTwips(Frame1),
                      kCollapsedHeight);
            mViewConnectionPanel->setChecked(false);
        } else {
            Frame1->setTitle(QStringLiteral("[-]") + Frame1->title().mid(3));
            moveTwips(Frame1, leftTwips(Frame1), topTwips(Frame1), widthTwips(Frame1),
                      Frame1->property("Tag").toString().toInt());
            mViewConnectionPanel->setChecked(true);
        }
        Form_Resize();
    }
    Form_Resize();
}

void fMain::LeftPanClose() {
    savedSplitterPos_ = split->SplitterPos();
    savedMinSize1_ = split->MinSize1();
    split->setMinSize1(0);
    split->setSplitterPos(0);
    split->setAllowResize(false);
    log->hide();
}

void fMain::LeftPanOpen() {
    split->setSplitterPos(savedSplitterPos_);
    split->setMinSize1(savedMinSize1_);
    split->setAllowResize(true);
    log->show();
}

void fMain::tabs_TabClick(int, int NewTab) {
    // The find bar searches the view on screen; the diagram has none.
    if (findBar_ && findBar_->isVisible()) {
        if (NewTab == 3)
            findBar_->hide();
        else
            findBar_->SetTarget(findTarget());
        Form_Resize();
    }
    switch (NewTab) {
    case 1:
        bringForward(logf);
        break;
    case 2:
        bringForward(lv);
        FillLV();
        break;
    case 3:
        bringForward(pic);
        DrawPic();
        break;
    default:
        break;
    }
}

void fMain::bringForward(QWidget* view) {
    // Only the chosen view is seen; the others are hidden so that they cost nothing to paint.
    for (QWidget* w :
         {static_cast<QWidget*>(logf), static_cast<QWidget*>(lv), static_cast<QWidget*>(pic)})
        w->setVisible(w == view);
    view->raise();
}

// ---------------------------------------------------------------------------------------------
// Find

FindTarget fMain::findTarget() {
    FindTarget target;
    if (tabs->SelectedTab() == 2) {
        target.items = [this] { return qsizetype(table_.Count()); };
        target.text = [this](qsizetype row, QByteArray& scratch) {
            scratch.clear();
            for (int column = 0; column < 4; ++column) {
                if (column > 0) scratch += '\t';
                scratch += ov::toAnsi(table_.Cell(int(row), column));
            }
            return QByteArrayView(scratch);
        };
        target.revision = [this] { return table_.Text().Revision() ^ quint64(lv->Count()); };
        target.from = [this] { return SearchHit{qMax(lastFoundRow_, 0), 0}; };
        target.onePerItem = true;
        target.show = [this](SearchHit hit, qsizetype) {
            lastFoundRow_ = int(hit.item);
            lv->setItemSelected(lastFoundRow_, true);
            lv->setItemFocused(lastFoundRow_, true);
            lv->ItemEnsureVisible(lastFoundRow_);
        };
    } else {
        target.items = [this] { return logf->logText().LineCount(); };
        target.text = [this](qsizetype line, QByteArray&) { return logf->logText().Line(line); };
        target.revision = [this] { return logf->logText().Revision(); };
        target.from = [this] {
            const TextPos at = std::min(logf->Anchor(), logf->Caret());
            return SearchHit{at.line, at.column};
        };
        target.show = [this](SearchHit hit, qsizetype length) {
            logf->Select({hit.item, hit.column}, {hit.item, hit.column + length});
        };
    }
    return target;
}

void fMain::mFind_Click() {
    if (tabs->SelectedTab() == 3) return;
    if (!findBar_->isVisible()) {
        findBar_->SetTarget(findTarget());
        findBar_->show();
        Form_Resize();
    }
    findBar_->Open();
}

void fMain::mFindNext_Click() {
    if (!findBar_->isVisible()) return mFind_Click();
    findBar_->FindNext();
}

void fMain::mFindPrevious_Click() {
    if (!findBar_->isVisible()) return mFind_Click();
    findBar_->FindPrevious();
}

void fMain::findBarClosed() {
    Form_Resize();
    (tabs->SelectedTab() == 2 ? static_cast<QWidget*>(lv) : static_cast<QWidget*>(logf))
        ->setFocus();
}

bool fMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Frame1 && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        Frame1_MouseDown(ov::ButtonBits(mouse->button()), ov::ShiftBits(mouse->modifiers()),
                         ov::pixelsToTwips(int(mouse->position().x())),
                         ov::pixelsToTwips(int(mouse->position().y())));
    }
    return QMainWindow::eventFilter(watched, event);
}
