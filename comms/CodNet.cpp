#include "comms/CodNet.h"

#include "app/CodMain.h"
#include "app/RadioGroup.h"
#include "comms/CodNewConnection.h"
#include "controls/KXCtrls.h"
#include "controls/KXSpin.h"
#include "controls/KxRichEdit.h"
#include "controls/ToolEdit.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "storage/Placemnt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>
#include <utility>

TFormNet* FormNet = nullptr;

namespace {

template <class Widget> Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    return Named(new QPushButton(caption, parent), name);
}

TKxSpinEdit* Spin(QWidget* parent, const char* name, int low, int high, int value) {
    auto* spin = Named(new TKxSpinEdit(parent), name);
    spin->SetMinValue(low);
    spin->SetMaxValue(high);
    spin->SetValue(value);
    return spin;
}

TKxLabel* Label(QWidget* parent, const char* name, const QString& caption) {
    auto* label = Named(new TKxLabel(parent), name);
    label->SetCaption(caption);
    return label;
}

// The machine's IPv4 addresses as its own name resolves them, joined by ", ".
QString OwnAddresses() {
    QStringList list;
    for (const QHostAddress& address :
         QHostInfo::fromName(QHostInfo::localHostName()).addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            list << address.toString();
    }
    return list.join(QStringLiteral(", "));
}

} // namespace

TShape::TShape(QWidget* parent) : QWidget(parent) {
    setFixedSize(16, 16);
}

void TShape::SetBrushColor(TColor color) {
    FColor = color;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    painter.setBrush(platform::ToQColor(FColor));
    painter.drawEllipse(rect().adjusted(1, 1, -1, -1));
}

TFormNet::TFormNet(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormNet"));
    setWindowTitle(QStringLiteral("Gioca in rete"));

    EditNickName = Named(new QLineEdit(this), "EditNickName");
    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    TabSheetServer = CreateServerPage();
    TabSheetClient = CreateClientPage();
    TabSheetPartita = CreatePartitaPage();
    PageControl1->addTab(TabSheetServer, QStringLiteral("Crea connessione"));
    PageControl1->addTab(TabSheetClient, QStringLiteral("Connetti a.."));
    PageControl1->addTab(TabSheetPartita, QStringLiteral("Partita"));

    RichEditMemo = Named(new TKxRichEdit(this), "RichEditMemo");
    RichEditMemo->SetReadOnly(true);
    RichEditMemo->SetWordWrap(true);
    // Nothing in the log is undone; a history would keep every entry ever added.
    RichEditMemo->SetUndoLimit(0);
    RichEditMemo->viewport()->installEventFilter(this);
    RichEditSendMessage = Named(new TKxRichEdit(this), "RichEditSendMessage");
    RichEditSendMessage->SetWordWrap(false);
    RichEditSendMessage->setMaximumHeight(60);
    RichEditSendMessage->OnKeyDown = [this](QObject*, Word& key, TShiftState) {
        RichEditSendMessageKeyDown(key);
    };
    BtnSendMessage = Button(this, "BtnSendMessage", QStringLiteral("Invia testo"));
    BtnSendPopup = Button(this, "BtnSendPopup", QStringLiteral("Invia popup"));
    BtnClear = Button(this, "BtnClear", QStringLiteral("Pulisci schermo"));

    PanelStatus = Named(new QLabel(this), "PanelStatus");
    PanelStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelStatus->setMinimumHeight(22);
    ShapeStatus = Named(new TShape(PanelStatus), "ShapeStatus");
    ShapeStatus->move(4, 3);

    auto* layout = new QVBoxLayout(this);
    auto* nick = new QHBoxLayout;
    nick->addWidget(new QLabel(QStringLiteral("Nick name"), this));
    nick->addWidget(EditNickName);
    layout->addLayout(nick);
    layout->addWidget(PageControl1);
    layout->addWidget(CreateClockPanel());
    layout->addWidget(RichEditMemo, 1);
    layout->addWidget(RichEditSendMessage);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnSendMessage);
    buttons->addWidget(BtnSendPopup);
    buttons->addWidget(BtnClear);
    layout->addLayout(buttons);
    layout->addWidget(PanelStatus);

    ServerSocket1 = Named(new QTcpServer(this), "ServerSocket1");
    ClientSocket1 = Named(new QTcpSocket(this), "ClientSocket1");
    ClientSocket1->setReadBufferSize(ReadBuffer);
    FReadTurn = new QTimer(this);
    FReadTurn->setSingleShot(true);
    FReadTurn->setInterval(0);
    connect(FReadTurn, &QTimer::timeout, this, [this] { ReadTurn(); });
    Timer1 = Named(new QTimer(this), "Timer1");
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    CreateMenus();
    ConnectSockets();
    CreateStorage();

    connect(EditNickName, &QLineEdit::textChanged, this, [this] { EditNickNameChange(); });
    connect(BtnStartServer, &QPushButton::clicked, this, [this] { BtnStartServerClick(); });
    connect(BtnStartClient, &QPushButton::clicked, this, [this] { BtnStartClientClick(); });
    connect(BtnNewConnection, &QPushButton::clicked, this, [this] { BtnNewConnectionClick(); });
    connect(BtnDisconnetti, &QPushButton::clicked, this, [this] { BtnDisconnettiClick(); });
    connect(BtnMatch, &QPushButton::clicked, this, [this] { BtnMatchClick(); });
    connect(BtnDraw, &QPushButton::clicked, this, [this] { BtnDrawClick(); });
    connect(BtnAbbandona, &QPushButton::clicked, this, [this] { BtnAbbandonaClick(); });
    connect(BtnSendMessage, &QPushButton::clicked, this, [this] { BtnSendMessageClick(); });
    connect(BtnSendPopup, &QPushButton::clicked, this, [this] { BtnSendPopupClick(); });
    connect(BtnClear, &QPushButton::clicked, this, [this] { BtnClearClick(); });

    BtnDisconnetti->setEnabled(false);
    BtnMatch->setEnabled(false);
    BtnDraw->setEnabled(false);
    BtnAbbandona->setEnabled(false);
    SetStatus(platform::clRed, QStringLiteral("     Non connesso"));
    FMoveWatch = new Docking::TMoveWatch(this, [this](const QRect& frame) { SnapMoving(frame); });
    resize(330, 520);
}

TFormNet::~TFormNet() {
    // No socket may report into a half-destroyed window.
    FClosing = true;
    ServerSocket1->disconnect(this);
    ClientSocket1->disconnect(this);
    if (FPeer)
        FPeer->disconnect(this);
}

QWidget* TFormNet::CreateServerPage() {
    auto* page = Named(new QWidget, "TabSheetServer");
    EditPort = Spin(page, "EditPort", 0, 64535, 4444);
    EditPort->SetArrowKeys(false);
    EditPort->SetButtonKind(TKxSpinEdit::bkStandard);
    BtnStartServer = Button(page, "BtnStartServer", QStringLiteral("Crea Server"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel(QStringLiteral("Porta"), page), 0, 0);
    grid->addWidget(EditPort, 0, 1);
    grid->addWidget(BtnStartServer, 1, 0, 1, 2);
    grid->setRowStretch(2, 1);
    return page;
}

QWidget* TFormNet::CreateClientPage() {
    auto* page = Named(new QWidget, "TabSheetClient");
    ComboBoxConnection = Named(new TComboBox(page), "ComboBoxConnection");
    ComboBoxConnection->setContextMenuPolicy(Qt::CustomContextMenu);
    BtnNewConnection = Button(page, "BtnNewConnection", QStringLiteral("Nuovo"));
    BtnNewConnection->setToolTip(QStringLiteral("Inserimento parametri per una nuova connessione"));
    BtnStartClient = Button(page, "BtnStartClient", QStringLiteral("  Connetti"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(ComboBoxConnection, 0, 0);
    grid->addWidget(BtnNewConnection, 0, 1);
    grid->addWidget(BtnStartClient, 1, 0, 1, 2);
    grid->setRowStretch(2, 1);
    return page;
}

QWidget* TFormNet::CreatePartitaPage() {
    auto* page = Named(new QWidget, "TabSheetPartita");
    BtnDisconnetti = Button(page, "BtnDisconnetti", QStringLiteral("Disconnet"));
    RadioGroupPezzi = new TRadioGroup(QStringLiteral(" Pezzi "),
                                      {QStringLiteral("Bianchi"), QStringLiteral("Neri")}, page);
    RadioGroupPezzi->setObjectName(QStringLiteral("RadioGroupPezzi"));
    RadioGroupPezzi->SetItemIndex(0);
    KxSpinEditDurata = Spin(page, "KxSpinEditDurata", 0, 90, 5);
    KxSpinEditDurata->setToolTip(QStringLiteral(
        "Tempo per ciascun giocatore, in minuti.\nInserire 0 per giocare senza tempo."));
    BtnMatch = Button(page, "BtnMatch", QStringLiteral("Proponi partita"));
    BtnDraw = Button(page, "BtnDraw", QStringLiteral("Patta"));
    BtnAbbandona = Button(page, "BtnAbbandona", QStringLiteral("Abbandona"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(RadioGroupPezzi, 0, 0, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral(" Minuti "), page), 0, 1);
    grid->addWidget(KxSpinEditDurata, 1, 1);
    grid->addWidget(BtnMatch, 0, 2);
    grid->addWidget(BtnDisconnetti, 1, 2);
    grid->addWidget(BtnDraw, 2, 1);
    grid->addWidget(BtnAbbandona, 2, 2);
    return page;
}

QWidget* TFormNet::CreateClockPanel() {
    auto* panel = Named(new QFrame(this), "PanelClocks");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    LabelWhitePlayer = Label(panel, "LabelWhitePlayer", QStringLiteral("Bianchi"));
    LabelBlackPlayer = Label(panel, "LabelBlackPlayer", QStringLiteral("Neri"));
    LabelWhiteTime = Label(panel, "LabelWhiteTime", QStringLiteral("00:00"));
    LabelBlackTime = Label(panel, "LabelBlackTime", QStringLiteral("00:00"));
    QFont big = LabelWhiteTime->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    LabelWhiteTime->setFont(big);
    LabelBlackTime->setFont(big);
    for (TKxLabel* label : {LabelWhitePlayer, LabelBlackPlayer, LabelWhiteTime, LabelBlackTime})
        label->setMinimumHeight(label->fontMetrics().height() + 4);
    auto* grid = new QGridLayout(panel);
    grid->addWidget(LabelWhitePlayer, 0, 0);
    grid->addWidget(LabelBlackPlayer, 0, 1);
    grid->addWidget(LabelWhiteTime, 1, 0);
    grid->addWidget(LabelBlackTime, 1, 1);
    return panel;
}

void TFormNet::CreateMenus() {
    PopupMenuConnection = Named(new QMenu(this), "PopupMenuConnection");
    Cancellaquestaconnessionedallelenco1 =
        PopupMenuConnection->addAction(QStringLiteral("Cancella questa connessione dall'elenco"));
    Cancellaquestaconnessionedallelenco1->setObjectName(
        QStringLiteral("Cancellaquestaconnessionedallelenco1"));
    connect(Cancellaquestaconnessionedallelenco1, &QAction::triggered, this,
            [this] { Cancellaquestaconnessionedallelenco1Click(); });
    connect(ComboBoxConnection, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                PopupMenuConnection->popup(ComboBoxConnection->mapToGlobal(at));
            });

    PopupMenuText = Named(new QMenu(this), "PopupMenuText");
    auto item = [this](const char* name, const QString& caption, const QKeySequence& keys) {
        QAction* action = PopupMenuText->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        return action;
    };
    Copia1 = item("Copia1", QStringLiteral("Copia"), QKeySequence(Qt::CTRL | Qt::Key_C));
    Selezionatutto1 = item("Selezionatutto1", QStringLiteral("Seleziona tutto"),
                           QKeySequence(Qt::CTRL | Qt::Key_A));
    Cancellatutto1 = item("Cancellatutto1", QStringLiteral("Cancella tutto"),
                          QKeySequence(Qt::CTRL | Qt::Key_Delete));
    PopupMenuText->addSeparator();
    Inviapopup1 =
        item("Inviapopup1", QStringLiteral("Invia popup"), QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(Copia1, &QAction::triggered, this, [this] { RichEditMemo->CopyToClipboard(); });
    connect(Selezionatutto1, &QAction::triggered, this, [this] { RichEditMemo->SelectAll(); });
    connect(Cancellatutto1, &QAction::triggered, this, [this] { BtnClearClick(); });
    connect(Inviapopup1, &QAction::triggered, this, [this] { BtnSendPopupClick(); });
}

void TFormNet::CreateStorage() {
    FormStorage1 = Named(new TFormStorage(this), "FormStorage1");
    FormStorage1->SetIniFileName(QStringLiteral("./Quendel.ini"));
    FormStorage1->SetIniSection(QStringLiteral("FinestraConnessione"));
    FormStorage1->SetOptions({});
    FormStorage1->SetStoredProps(
        {QStringLiteral("ComboBoxConnection.Items"), QStringLiteral("ComboBoxConnection.Text"),
         QStringLiteral("EditNickName.Text"), QStringLiteral("EditPort.Value"),
         QStringLiteral("KxSpinEditDurata.Value")});
}

void TFormNet::ConnectSockets() {
    connect(ServerSocket1, &QTcpServer::newConnection, this,
            [this] { ServerSocket1ClientConnect(); });
    connect(ClientSocket1, &QTcpSocket::connected, this, [this] { ClientSocket1Connect(); });
    connect(ClientSocket1, &QTcpSocket::disconnected, this, [this] { HangUp(ClientSocket1); });
    connect(ClientSocket1, &QTcpSocket::errorOccurred, this, [this] { ClientSocket1Error(); });
    connect(ClientSocket1, &QTcpSocket::readyRead, this,
            [this] { ReadFrom(ClientSocket1, FClientFramer); });
}

// ---- status and log

void TFormNet::SetStatus(TColor colour, const QString& text) {
    ShapeStatus->SetBrushColor(colour);
    PanelStatus->setText(text);
}

QString TFormNet::StatusText() const {
    return PanelStatus->text();
}

void TFormNet::AddText(const QString& text, netplay::LogKind kind) {
    static const QString prefixes[] = {QStringLiteral("< "), QStringLiteral("> "), QString(),
                                       QString()};
    static const TColor colours[] = {platform::clBlue, platform::clRed, platform::clBlack,
                                     platform::clBlack};
    static const TFontStyles styles[] = {{}, {}, fsItalic, fsBold};
    RichEditMemo->SetSelStart(RichEditMemo->GetTextLen());
    RichEditMemo->SetSelLength(0);
    RichEditMemo->SelAttributes.SetColor(colours[kind]);
    RichEditMemo->SelAttributes.SetStyle(styles[kind]);
    RichEditMemo->SetSelText(prefixes[kind] + QString(text).remove(QLatin1Char('\n')));
    RichEditMemo->Lines.Append(QString());
    TrimLog();
    RichEditMemo->ScrollPageDown();
}

void TFormNet::TrimLog() {
    QTextDocument* log = RichEditMemo->document();
    const int lines = log->blockCount() - 1;
    const int characters = log->characterCount();
    if (lines <= MaxLogLines && characters <= MaxLogCharacters)
        return;
    // A tenth below the bounds, so that the oldest entries do not go one by one.
    const int keepLines = MaxLogLines - MaxLogLines / 10;
    const int keepCharacters = MaxLogCharacters - MaxLogCharacters / 10;
    int goneLines = 0;
    int goneCharacters = 0;
    QTextBlock block = log->begin();
    while (block.isValid() && block != log->lastBlock() &&
           (lines - goneLines > keepLines || characters - goneCharacters > keepCharacters)) {
        ++goneLines;
        goneCharacters += block.length();
        block = block.next();
    }
    QTextCursor oldest(log);
    oldest.setPosition(block.position(), QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
}

// ---- the protocol's surroundings

void TFormNet::WriteLine(const QByteArray& line) {
    QTcpSocket* socket = PeerSocket();
    if (!socket || FDropWaiting)
        return;
    // A peer that leaves its replies unread would make the window hold them all. It goes once the
    // current handler is done, as the game may be ended with it.
    if (socket->bytesToWrite() > MaxUnsent) {
        FDropWaiting = true;
        QTimer::singleShot(0, this, [this] { DropPeer(); });
        return;
    }
    socket->write(line);
}

void TFormNet::DropPeer() {
    if (!std::exchange(FDropWaiting, false))
        return;
    QTcpSocket* socket = PeerSocket();
    if (!socket || !Protocol.Connected)
        return;
    AddText(QStringLiteral("Connessione chiusa: l'avversario non riceve i messaggi"),
            netplay::lkError);
    PeerGone(socket);
}

void TFormNet::FlashMainWindow() {
    QApplication::alert(FormMain ? static_cast<QWidget*>(FormMain) : this, 0);
}

void TFormNet::ShowPopup(const QString& text) {
    window()->raise();
    activateWindow();
    platform::MessageBox(text, QStringLiteral("Quendel"), platform::MB_ICONINFORMATION, this);
}

void TFormNet::PopupQueued() {
    QTimer::singleShot(0, this, [this] { Protocol.ShowPopups(); });
}

bool TFormNet::AskMatch(const QString& text) {
    return platform::MessageBox(text, QStringLiteral("Quendel"), platform::MB_YESNOCANCEL, this) ==
           platform::IDYES;
}

bool TFormNet::StartNetworkGame(const QString& white, const QString& black, bool localIsWhite) {
    return Main.StartNetworkGame && Main.StartNetworkGame(white, black, localIsWhite);
}

void TFormNet::EndNetworkGame() {
    if (Main.EndNetworkGame)
        Main.EndNetworkGame();
    else
        Protocol.EndGame();
}

void TFormNet::ShowTimeout(bool whiteFlagged) {
    if (Main.ShowTimeout)
        Main.ShowTimeout(whiteFlagged);
    else
        Protocol.EndGame();
}

bool TFormNet::ApplyMoveText(const QString& text) {
    return Main.ApplyMoveText && Main.ApplyMoveText(text);
}

void TFormNet::StateChanged() {
    BtnMatch->setEnabled(Protocol.MatchEnabled);
    BtnDraw->setEnabled(Protocol.PlayEnabled);
    BtnAbbandona->setEnabled(Protocol.PlayEnabled);
    if (Protocol.TimerRunning && !Timer1->isActive())
        Timer1->start();
    else if (!Protocol.TimerRunning)
        Timer1->stop();
    LabelWhitePlayer->SetCaption(Protocol.WhitePlayerLabel);
    LabelBlackPlayer->SetCaption(Protocol.BlackPlayerLabel);
    const auto clock = [this](TKxLabel* label, const QString& text, bool red, bool enabled) {
        label->SetCaption(text);
        if (red)
            label->SetFontColor(platform::clRed);
        else if (Protocol.ClocksGreen)
            label->SetFontColor(platform::clGreen);
        label->setEnabled(enabled);
    };
    clock(LabelWhiteTime, Protocol.WhiteTimeText, Protocol.WhiteTimeRed, Protocol.WhiteTimeEnabled);
    clock(LabelBlackTime, Protocol.BlackTimeText, Protocol.BlackTimeRed, Protocol.BlackTimeEnabled);
}

// ---- connections

void TFormNet::ConnectionStarted() {
    PageControl1->setCurrentWidget(TabSheetPartita);
    BtnDisconnetti->setEnabled(true);
    BtnStartServer->setEnabled(false);
    BtnStartClient->setEnabled(false);
    Protocol.ResetGame();
}

void TFormNet::BtnStartServerClick() {
    Protocol.ServerMode = true;
    if (ClientSocket1->state() != QAbstractSocket::UnconnectedState)
        ClientSocket1->abort();
    const auto port = static_cast<quint16>(EditPort->GetAsInteger());
    if (!ServerSocket1->listen(QHostAddress::Any, port)) {
        platform::MessageBox(QStringLiteral("Impossibile creare il server sulla porta ") +
                                 QString::number(port) + QStringLiteral(": ") +
                                 ServerSocket1->errorString(),
                             QStringLiteral("Quendel"), platform::MB_ICONERROR, this);
        return;
    }
    SetStatus(platform::clYellow, QStringLiteral("     In attesa di connessione"));
    ConnectionStarted();
    RichEditSendMessage->Clear();
    RichEditMemo->Clear();
    AddText(QStringLiteral("Creato server: indirizzo ") + OwnAddresses() +
                QStringLiteral(" porta ") + QString::number(ServerSocket1->serverPort()),
            netplay::lkInfo);
}

void TFormNet::BtnStartClientClick() {
    Protocol.ServerMode = false;
    if (ServerSocket1->isListening() || FPeer)
        CloseConnection();
    const QString entry = ComboBoxConnection->currentText();
    AddText(QStringLiteral("Connessione a ") + entry, netplay::lkInfo);
    SetStatus(platform::clYellow, QStringLiteral("     Connessione in corso"));
    const std::optional<netplay::TBookEntry> book = netplay::ParseBookEntry(entry);
    if (!book) {
        CloseConnection();
        SetStatus(platform::clRed,
                  QStringLiteral("     Errore durante il collegamento con ") + entry);
        return;
    }
    FClientHost = book->host;
    FClientFramer.Clear();
    ClientSocket1->connectToHost(book->host, book->port);
    RichEditSendMessage->Clear();
    RichEditMemo->Clear();
    ConnectionStarted();
}

void TFormNet::ServerSocket1ClientConnect() {
    while (QTcpSocket* socket = ServerSocket1->nextPendingConnection()) {
        // One peer only: a stranger could otherwise move or resign for it.
        if (FPeer) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        FPeer = socket;
        FPeerFramer.Clear();
        FHangUpWaiting = false;
        FDropWaiting = false;
        socket->setReadBufferSize(ReadBuffer);
        Protocol.NewPeer();
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket] { ReadFrom(socket, FPeerFramer); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { HangUp(socket); });
        SetStatus(platform::clGreen, QStringLiteral("     Client connesso"));
        Protocol.Connected = true;
        if (socket->bytesAvailable() > 0)
            ReadFrom(socket, FPeerFramer);
    }
}

void TFormNet::ServerSocket1ClientDisconnect(QTcpSocket* socket) {
    RetireSocket(socket);
    if (socket != FPeer)
        return;
    FPeer = nullptr;
    FPeerFramer.Clear();
    FHangUpWaiting = false;
    Protocol.PeerLeft();
    if (!FClosing)
        SetStatus(platform::clYellow, QStringLiteral("     In attesa di connessione"));
}

void TFormNet::ClientSocket1Connect() {
    SetStatus(platform::clGreen, QStringLiteral("     Connesso al server"));
    FHangUpWaiting = false;
    FDropWaiting = false;
    Protocol.NewPeer();
    Protocol.ClientConnected();
}

void TFormNet::ClientSocket1Disconnect() {
    // Closed from here: a game stays until the user ends it.
    if (FClosing) {
        Protocol.Connected = false;
        return;
    }
    FClientFramer.Clear();
    FHangUpWaiting = false;
    Protocol.PeerLeft();
    CloseConnection();
}

void TFormNet::ClientSocket1Error() {
    // A peer's close is a disconnect, reported next.
    if (ClientSocket1->error() == QAbstractSocket::RemoteHostClosedError || FClosing)
        return;
    Protocol.PeerLeft();
    CloseConnection();
    SetStatus(platform::clRed,
              QStringLiteral("     Errore durante il collegamento con ") + FClientHost);
}

void TFormNet::ReadFrom(QTcpSocket* socket, netplay::TLineFramer& framer) {
    struct TReading {
        TFormNet& window;
        explicit TReading(TFormNet& w) : window(w) { ++window.FReading; }
        ~TReading() {
            if (--window.FReading > 0)
                return;
            for (const QPointer<QTcpSocket>& retired : std::exchange(window.FRetired, {}))
                if (retired)
                    retired->deleteLater();
        }
    } reading(*this);
    const QPointer<QTcpSocket> alive = socket;
    QElapsedTimer spent;
    spent.start();
    int handled = 0;
    while (alive && !FDropWaiting && handled < SliceLines && !spent.hasExpired(SliceMilliseconds)) {
        if (Protocol.HandleNext(framer)) {
            ++handled;
            continue;
        }
        if (alive->bytesAvailable() <= 0)
            break;
        framer.Append(alive->read(ReadChunk));
    }
    // The window answers between slices.
    if (alive && (FHangUpWaiting || LinesWaiting(alive, framer)))
        FReadTurn->start();
}

QTcpSocket* TFormNet::PeerSocket() const {
    return Protocol.ServerMode ? FPeer.data() : ClientSocket1;
}

netplay::TLineFramer& TFormNet::FramerOf(const QTcpSocket* socket) {
    return socket == ClientSocket1 ? FClientFramer : FPeerFramer;
}

bool TFormNet::LinesWaiting(QTcpSocket* socket, const netplay::TLineFramer& framer) const {
    return framer.HasLine() || socket->bytesAvailable() > 0;
}

void TFormNet::ReadTurn() {
    QTcpSocket* socket = PeerSocket();
    if (!socket)
        return;
    netplay::TLineFramer& framer = FramerOf(socket);
    ReadFrom(socket, framer);
    if (FHangUpWaiting && !LinesWaiting(socket, framer)) {
        FHangUpWaiting = false;
        PeerGone(socket);
    }
}

void TFormNet::HangUp(QTcpSocket* socket) {
    if (socket == PeerSocket() && !FClosing && LinesWaiting(socket, FramerOf(socket))) {
        FHangUpWaiting = true;
        FReadTurn->start();
        return;
    }
    PeerGone(socket);
}

void TFormNet::PeerGone(QTcpSocket* socket) {
    if (socket == ClientSocket1)
        ClientSocket1Disconnect();
    else
        ServerSocket1ClientDisconnect(socket);
}

void TFormNet::RetireSocket(QTcpSocket* socket) {
    socket->disconnect(this);
    socket->abort();
    // A socket deleted under its own running read handler would be used after it is freed.
    if (FReading > 0)
        FRetired.push_back(socket);
    else
        socket->deleteLater();
}

void TFormNet::CloseConnection() {
    Protocol.Connected = false;
    FHangUpWaiting = false;
    FPeerFramer.Clear();
    FClientFramer.Clear();
    FClosing = true;
    ServerSocket1->close();
    if (FPeer)
        RetireSocket(std::exchange(FPeer, nullptr));
    if (ClientSocket1->state() != QAbstractSocket::UnconnectedState)
        ClientSocket1->abort();
    FClosing = false;
    SetStatus(platform::clRed, QStringLiteral("     Non connesso"));
    // The way out of a game whose link was lost.
    BtnDisconnetti->setEnabled(Protocol.GameRunning());
    BtnMatch->setEnabled(false);
    BtnStartServer->setEnabled(true);
    BtnStartClient->setEnabled(true);
}

void TFormNet::BtnDisconnettiClick() {
    CloseConnection();
    if (Main.NetworkGame && Main.NetworkGame())
        EndNetworkGame();
    BtnDisconnetti->setEnabled(false);
    BtnMatch->setEnabled(false);
}

void TFormNet::closeEvent(QCloseEvent* event) {
    CloseConnection();
    QWidget::closeEvent(event);
}

// ---- buttons

void TFormNet::BtnMatchClick() {
    Protocol.ProposeMatch(RadioGroupPezzi->ItemIndex() == 0,
                          static_cast<int>(KxSpinEditDurata->GetAsInteger()));
}

QString TFormNet::LastInputLine() const {
    const int count = RichEditSendMessage->Lines.Count();
    return count > 0 ? RichEditSendMessage->Lines[count - 1] : QString();
}

void TFormNet::BtnSendMessageClick() {
    Protocol.SendChat(LastInputLine());
    RichEditSendMessage->Clear();
}

void TFormNet::BtnSendPopupClick() {
    Protocol.SendPopup(LastInputLine());
}

void TFormNet::BtnClearClick() {
    RichEditMemo->Clear();
    RichEditSendMessage->Clear();
}

void TFormNet::RichEditSendMessageKeyDown(Word& key) {
    if (key != 13)
        return;
    BtnSendMessageClick();
    key = 0;
}

void TFormNet::EditNickNameChange() {
    Protocol.OwnNick = EditNickName->text();
}

void TFormNet::BtnNewConnectionClick() {
    TFormNewConnection& dialog = *FormNewConnection;
    if (platform::ShowModal(dialog) != QDialog::Accepted)
        return;
    const QString entry = netplay::BookEntry(dialog.EditName->text(), dialog.EditHost->Text(),
                                             QString::number(dialog.EditPort->GetAsInteger()));
    ComboBoxConnection->addItem(entry);
    QCoreApplication::processEvents();
    ComboBoxConnection->SetText(entry);
    ComboBoxConnection->setCurrentIndex(ComboBoxConnection->findText(entry));
}

void TFormNet::Cancellaquestaconnessionedallelenco1Click() {
    QStringList items = ComboBoxConnection->Items();
    const int index = ComboBoxConnection->currentIndex();
    if (index >= 0 && index < items.size())
        items.removeAt(index);
    items.removeAll(QString());
    ComboBoxConnection->SetItems(items);
}

bool TFormNet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RichEditMemo->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        PopupMenuText->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- docking

void TFormNet::ShowFromMain(QWidget* main) {
    if (isVisible()) {
        raise();
        return;
    }
    MainWindowHandle = main;
    const auto place = Docking::PlaceRightOf(
        main->frameGeometry(), Docking::FrameGeometry(this, main), main->screen()->geometry());
    DockedToMain = place.has_value();
    if (place)
        FMoveWatch->Place(*place, main);
    show();
}

void TFormNet::FollowMain(const QRect& mainFrame) {
    if (DockedToMain && Docking::CarriesDocked(mainFrame))
        FMoveWatch->MoveTo(Docking::RightOf(mainFrame));
}

void TFormNet::SnapMoving(const QRect& frame) {
    if (!MainWindowHandle)
        return;
    const Docking::TSnap snap = Docking::SnapRightOf(frame, MainWindowHandle->frameGeometry());
    DockedToMain = snap.docked;
    FMoveWatch->MoveTo(snap.rect.topLeft());
}
