#pragma once
// The TCP play window: one copy listens, the other connects, and the two play a game with chat,
// pop-up notes, clocks, draw offers and resignation. The protocol itself is TNetProtocol; this
// window holds the sockets, the controls and the docking beside the main window.

#include "app/Docking.h"
#include "comms/NetProtocol.h"
#include "platform/Colors.h"
#include "platform/Keys.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTcpServer;
class QTcpSocket;
class TComboBox;
class TFormStorage;
class TKxLabel;
class TKxRichEdit;
class TKxSpinEdit;
class TRadioGroup;

// The round status light.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);
    TColor BrushColor() const { return FColor; }
    void SetBrushColor(TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor FColor = 0;
};

// The main window's operations as the play window calls them; the start-up links them.
struct TNetMainWindowLink {
    std::function<bool(const QString& white, const QString& black, bool localIsWhite)>
        StartNetworkGame;
    std::function<void()> EndNetworkGame;
    std::function<void(bool whiteFlagged)> ShowTimeout;
    std::function<bool(const QString& text)> ApplyMoveText;
    std::function<bool()> NetworkGame;
};

class TFormNet : public QWidget, private netplay::TNetHost {
    Q_OBJECT
public:
    // What a peer can make the window hold or do at once: the bytes of a connection kept unread
    // (the rest waits at the peer), the lines handled in one turn of the event loop and the time
    // that turn may take, the replies left unread before the peer is dropped, and the log's size.
    static constexpr qint64 ReadBuffer = 64 * 1024;
    static constexpr qint64 ReadChunk = 16 * 1024;
    static constexpr int SliceLines = 100;
    static constexpr int SliceMilliseconds = 20;
    static constexpr qint64 MaxUnsent = 64 * 1024;
    static constexpr int MaxLogLines = 5000;
    static constexpr int MaxLogCharacters = 500000;

    explicit TFormNet(QWidget* parent = nullptr);
    ~TFormNet() override;

    // The fields, the game state and the clocks.
    netplay::TNetProtocol Protocol{*this};
    bool DockedToMain = false;
    QPointer<QWidget> MainWindowHandle;
    TNetMainWindowLink Main;

    // ---- components
    QLineEdit* EditNickName;
    QTabWidget* PageControl1;
    QWidget* TabSheetServer;
    QWidget* TabSheetClient;
    QWidget* TabSheetPartita;
    TKxSpinEdit* EditPort;
    QPushButton* BtnStartServer;
    TComboBox* ComboBoxConnection;
    QPushButton* BtnNewConnection;
    QPushButton* BtnStartClient;
    QPushButton* BtnDisconnetti;
    TRadioGroup* RadioGroupPezzi;
    TKxSpinEdit* KxSpinEditDurata;
    QPushButton* BtnMatch;
    QPushButton* BtnDraw;
    QPushButton* BtnAbbandona;
    TKxRichEdit* RichEditMemo;
    TKxRichEdit* RichEditSendMessage;
    QPushButton* BtnSendMessage;
    QPushButton* BtnSendPopup;
    QPushButton* BtnClear;
    QLabel* PanelStatus;
    TShape* ShapeStatus;
    TKxLabel* LabelWhitePlayer;
    TKxLabel* LabelBlackPlayer;
    TKxLabel* LabelWhiteTime;
    TKxLabel* LabelBlackTime;
    QTcpServer* ServerSocket1;
    QTcpSocket* ClientSocket1;
    QTimer* Timer1;
    TFormStorage* FormStorage1;
    QMenu* PopupMenuConnection;
    QAction* Cancellaquestaconnessionedallelenco1;
    QMenu* PopupMenuText;
    QAction *Copia1, *Selezionatutto1, *Cancellatutto1, *Inviapopup1;

    // ---- operations the main window calls
    void SendMove(const QString& text) { Protocol.SendMove(text); }
    void EndGame() { Protocol.EndGame(); }
    void ShowFromMain(QWidget* main);
    void FollowMain(const QRect& mainFrame);

    // ---- handlers
    void BtnStartServerClick();
    void BtnStartClientClick();
    void BtnDisconnettiClick();
    void BtnMatchClick();
    void BtnDrawClick() { Protocol.DrawClick(); }
    void BtnAbbandonaClick() { Protocol.ResignClick(); }
    void BtnSendMessageClick();
    void BtnSendPopupClick();
    void BtnClearClick();
    void BtnNewConnectionClick();
    void Cancellaquestaconnessionedallelenco1Click();
    void EditNickNameChange();
    void RichEditSendMessageKeyDown(Word& key);
    void Timer1Timer() { Protocol.Tick(); }
    void CloseConnection();

    // The status light's colour and text.
    void SetStatus(TColor colour, const QString& text);
    QString StatusText() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The protocol's surroundings.
    void WriteLine(const QByteArray& line) override;
    void AddText(const QString& text, netplay::LogKind kind) override;
    void FlashMainWindow() override;
    void ShowPopup(const QString& text) override;
    void PopupQueued() override;
    bool AskMatch(const QString& text) override;
    bool StartNetworkGame(const QString& white, const QString& black, bool localIsWhite) override;
    void EndNetworkGame() override;
    void ShowTimeout(bool whiteFlagged) override;
    bool ApplyMoveText(const QString& text) override;
    void StateChanged() override;

    QWidget* CreateServerPage();
    QWidget* CreateClientPage();
    QWidget* CreatePartitaPage();
    QWidget* CreateClockPanel();
    void CreateMenus();
    void CreateStorage();
    void ConnectSockets();

    void ServerSocket1ClientConnect();
    void ServerSocket1ClientDisconnect(QTcpSocket* socket);
    void ClientSocket1Connect();
    void ClientSocket1Disconnect();
    void ClientSocket1Error();
    // One slice of the connection's lines; another is queued while more wait.
    void ReadFrom(QTcpSocket* socket, netplay::TLineFramer& framer);
    void ReadTurn();
    // The connection the protocol talks on, and the framer of a connection.
    QTcpSocket* PeerSocket() const;
    netplay::TLineFramer& FramerOf(const QTcpSocket* socket);
    bool LinesWaiting(QTcpSocket* socket, const netplay::TLineFramer& framer) const;
    // The peer closed: handled once the lines it sent before are.
    void HangUp(QTcpSocket* socket);
    void PeerGone(QTcpSocket* socket);
    // A peer that leaves its replies unread.
    void DropPeer();
    void TrimLog();
    // Closes a connection for good; it is deleted once no read handler is running.
    void RetireSocket(QTcpSocket* socket);
    void ConnectionStarted();
    QString LastInputLine() const;
    void SnapMoving(const QRect& frame);

    QPointer<QTcpSocket> FPeer;
    // Read handlers on the stack: a box opened by a message runs the event loop beneath them.
    int FReading = 0;
    std::vector<QPointer<QTcpSocket>> FRetired;
    netplay::TLineFramer FPeerFramer;
    netplay::TLineFramer FClientFramer;
    QTimer* FReadTurn;
    bool FHangUpWaiting = false;
    bool FDropWaiting = false;
    QString FClientHost;
    bool FClosing = false;
    Docking::TMoveWatch* FMoveWatch;
};

extern TFormNet* FormNet;
