#include "app/CodMain.h"

#include "app/BoardAppearance.h"
#include "app/CodPromotion.h"
#include "app/CodVersione.h"
#include "app/Correspondence.h"
#include "app/Docking.h"
#include "app/Help.h"
#include "app/MoveList.h"
#include "app/MoveText.h"
#include "app/RadioGroup.h"
#include "app/about.h"
#include "board/PieceSet.h"
#include "controls/SpeedBar.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "storage/MRUList.h"
#include "storage/Placemnt.h"

#include <QActionGroup>
#include <QApplication>
#include <QBitmap>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

TFormMain* FormMain = nullptr;
TCapturedPiecesLink CapturedPiecesWindow;
TNetPlayLink NetPlayWindow;

namespace {

const char* const BoundProperty = "quendelCommandBound";

constexpr int HelpContextMain = 4000;

const QStringList EngineChoices{
    QStringLiteral("Human player"),   QStringLiteral("Zub"),
    QStringLiteral("Merovak MinMax"), QStringLiteral("Merovak AlphaBeta"),
    QStringLiteral("Merovak Hash"),   QStringLiteral("Merovak AlphaBetaMem")};

int Today() {
    return platform::DateToDays(QDate::currentDate());
}

void ShowPlainMessage(const QString& text) {
    platform::MessageBox(text, AppInfo.Name, platform::MB_OK);
}

} // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    NntpQueueFileName = QStringLiteral("nntp.out");
    NntpSeparator = QStringLiteral("--- NNTP ---");
    StartDate = Today();

    CreatePanel();
    CreateBoard();
    ImagePieceSet = new QLabel(this);
    ImagePieceSet->setObjectName(QStringLiteral("ImagePieceSet"));
    ImagePieceSet->setPixmap(QPixmap::fromImage(PieceSet::Standard()));
    ImagePieceSet->adjustSize();
    ImagePieceSet->hide();
    CreateMenus();
    CreatePopupMenus();
    CreateToolBar();
    CreateEditingMenu();
    CreateStorage();
    CreatePgnCommands();
    CreateCorrespondenceCommands();
    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    // The window has a fixed size: a grip would promise a resize that cannot happen.
    status->setSizeGripEnabled(false);
    setStatusBar(status);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    new Docking::TMoveWatch(this, [this](const QRect& frame) { MoveDockedForms(frame); });
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { ShowHelpContext(this, HelpContextMain); });
    ChessBoard1->installEventFilter(this);
    LoadEditButtonGlyphs();
    UpdateGameInfo();
    UpdateCommandStates();
    ReadSettings();
}

TFormMain::~TFormMain() {
    if (FormMain == this)
        FormMain = nullptr;
}

// ---- construction

void TFormMain::CreateBoard() {
    ChessBoard1 = new TChessBoard(centralWidget());
    ChessBoard1->setObjectName(QStringLiteral("ChessBoard1"));
    ChessBoard1->SetBoardFrame(true);
    ChessBoard1->SetSizeOfBorder(30);
    ChessBoard1->SetSizeOfSquare(40);
    ChessBoard1->setGeometry(8, 4, 380, 380);
    ChessBoard1->show();

    using namespace std::placeholders;
    ChessBoard1->OnMouseUp = [this](TChessBoard* s, Qt::MouseButton b, Qt::KeyboardModifiers m,
                                    int x, int y) { ChessBoard1MouseUp(s, b, m, x, y); };
    ChessBoard1->OnLegalMove = std::bind(&TFormMain::ChessBoard1LegalMove, this, _1, _2, _3);
    ChessBoard1->OnMate = std::bind(&TFormMain::ChessBoard1Mate, this, _1, _2, _3);
    ChessBoard1->OnStaleMate = std::bind(&TFormMain::ChessBoard1StaleMate, this, _1, _2, _3);
    ChessBoard1->OnOnlyTwoKingsLeft = std::bind(&TFormMain::ChessBoard1OnlyTwoKingsLeft, this, _1);
    ChessBoard1->OnThreefoldPosition =
        std::bind(&TFormMain::ChessBoard1ThreefoldPosition, this, _1);
    ChessBoard1->OnPromotion = [this](TChessBoardModel* s, Square o, Square n, char& piece) {
        ChessBoard1Promotion(s, o, n, piece);
    };
    ChessBoard1->OnCustomMove = std::bind(&TFormMain::ChessBoard1CustomMove, this, _1);
    ChessBoard1->OnCapture = std::bind(&TFormMain::ChessBoard1Capture, this, _1, _2, _3, _4);
    Panel1->move(Panel1->x(), ChessBoard1->y());
}

void TFormMain::CreatePanel() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(ClientAreaSize);
    setCentralWidget(client);

    Panel1 = new QFrame(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(8 + 380 + 8, 4, 224, 380);
    Notebook1 = new QStackedWidget(Panel1);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(Notebook1);

    PageLista = CreateListaPage();
    PageEngine = CreateEnginePage();
    PageEdit = CreateEditPage();
    Notebook1->addWidget(PageLista);
    Notebook1->addWidget(PageEngine);
    Notebook1->addWidget(PageEdit);
    Notebook1->setCurrentWidget(PageLista);
}

QWidget* TFormMain::CreateListaPage() {
    auto* page = new QWidget(Notebook1);
    page->setObjectName(QStringLiteral("Lista"));
    LabelGameInfo = new QLabel(page);
    LabelGameInfo->setObjectName(QStringLiteral("LabelGameInfo"));
    LabelGameInfo->setAlignment(Qt::AlignCenter);
    LabelGameInfo->setWordWrap(true);
    QFont bold = LabelGameInfo->font();
    bold.setBold(true);
    LabelGameInfo->setFont(bold);

    MemoListaMosse = new QPlainTextEdit(page);
    MemoListaMosse->setObjectName(QStringLiteral("MemoListaMosse"));
    MemoListaMosse->setReadOnly(true);
    MemoListaMosse->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoListaMosse->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoListaMosse->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    MemoListaMosse->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MemoListaMosse, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenuComment->popup(MemoListaMosse->mapToGlobal(pos));
    });

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(LabelGameInfo);
    layout->addWidget(MemoListaMosse, 1);
    return page;
}

QWidget* TFormMain::CreateEnginePage() {
    auto* page = new QWidget(Notebook1);
    page->setObjectName(QStringLiteral("Engine"));
    auto* title = new QLabel(QStringLiteral("Chess engine"), page);
    title->setObjectName(QStringLiteral("Label1"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* depthLabel = new QLabel(QStringLiteral("Set search depth:"), page);
    depthLabel->setObjectName(QStringLiteral("Label2"));
    UpDownDepth = new QSpinBox(page);
    UpDownDepth->setObjectName(QStringLiteral("UpDownDepth"));
    UpDownDepth->setRange(1, 10);
    UpDownDepth->setWrapping(true);
    UpDownDepth->setValue(1);
    if (auto* edit = UpDownDepth->findChild<QLineEdit*>())
        edit->setObjectName(QStringLiteral("EditDepth"));
    connect(UpDownDepth, &QSpinBox::valueChanged, this, [this] { UpDownDepthClick(); });

    RadioGroupWhite = new TRadioGroup(QStringLiteral(" White "), EngineChoices, page);
    RadioGroupWhite->setObjectName(QStringLiteral("RadioGroupWhite"));
    RadioGroupWhite->SetItemIndex(0);
    RadioGroupBlack = new TRadioGroup(QStringLiteral(" Black "), EngineChoices, page);
    RadioGroupBlack->setObjectName(QStringLiteral("RadioGroupBlack"));
    RadioGroupBlack->SetItemIndex(0);
    auto* parameters = new QPushButton(QStringLiteral("Parameters"), page);
    parameters->setObjectName(QStringLiteral("Button1"));

    auto* depth = new QHBoxLayout;
    depth->addWidget(depthLabel);
    depth->addWidget(UpDownDepth);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(title);
    layout->addLayout(depth);
    layout->addWidget(RadioGroupWhite);
    layout->addWidget(RadioGroupBlack);
    layout->addWidget(parameters);
    layout->addStretch();
    return page;
}

QWidget* TFormMain::CreateEditPage() {
    auto* page = new QWidget(Notebook1);
    page->setObjectName(QStringLiteral("Edit"));
    auto* label = new QLabel(
        QStringLiteral(
            "In alternativa al posizionamento manuale,\ninserire la posizione in formato FEN:"),
        page);
    label->setObjectName(QStringLiteral("Label3"));
    label->setWordWrap(true);
    // Small enough for each of the two lines to fit the panel's width.
    QFont small = label->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    label->setFont(small);
    EditFEN = new QLineEdit(page);
    EditFEN->setObjectName(QStringLiteral("EditFEN"));

    RadioGroupTurn =
        new TRadioGroup(QStringLiteral(" Turno di gioco "),
                        {QStringLiteral("&Bianco muove"), QStringLiteral("&Nero muove")}, page);
    RadioGroupTurn->setObjectName(QStringLiteral("RadioGroupTurn"));
    RadioGroupTurn->SetItemIndex(0);
    for (int i = 0; i < RadioGroupTurn->Count(); ++i)
        connect(RadioGroupTurn->Button(i), &QAbstractButton::clicked, this,
                [this] { RadioGroupTurnClick(); });

    PanelEdit = CreatePieceButtons(page);
    BtnDoneEditing = new QPushButton(QStringLiteral("Ok"), page);
    BtnDoneEditing->setObjectName(QStringLiteral("BtnDoneEditing"));
    connect(BtnDoneEditing, &QPushButton::clicked, this, [this] { BtnDoneEditingClick(); });

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 4, 2, 4);
    layout->addWidget(label);
    layout->addWidget(EditFEN);
    layout->addWidget(RadioGroupTurn);
    layout->addWidget(PanelEdit);
    layout->addWidget(BtnDoneEditing);
    layout->addStretch();
    return page;
}

// Two rows on a green panel, king first: White's pieces above, Black's below.
QFrame* TFormMain::CreatePieceButtons(QWidget* page) {
    auto* panel = new QFrame(page);
    panel->setObjectName(QStringLiteral("PanelEdit"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette green = panel->palette();
    green.setColor(QPalette::Window, platform::ToQColor(platform::clGreen));
    panel->setPalette(green);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(0);
    for (int tag = 0; tag < int(PieceButtons.size()); ++tag) {
        const int number = tag < 6 ? 6 - tag : 18 - tag;
        auto* button = new QToolButton(panel);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(number));
        button->setCheckable(true);
        button->setFixedSize(34, 34);
        button->setIconSize(QSize(30, 30));
        connect(button, &QToolButton::clicked, this,
                [this, button] { PieceButtonClicked(button); });
        grid->addWidget(button, tag / 6, 5 - tag % 6);
        PieceButtons[tag] = button;
    }
    return panel;
}

QAction* TFormMain::MenuItem(QMenu* menu, const QString& name, const QString& caption,
                             const QKeySequence& shortcut) {
    auto* item = new QAction(caption, this);
    item->setObjectName(name);
    item->setShortcut(shortcut);
    item->setEnabled(false);
    menu->addAction(item);
    return item;
}

void TFormMain::BindCommand(QAction* item, std::function<void()> handler) {
    connect(item, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    item->setProperty(BoundProperty, true);
    item->setEnabled(true);
}

void TFormMain::SetCommandEnabled(QAction* item, bool enabled) {
    item->setEnabled(enabled && item->property(BoundProperty).toBool());
}

void TFormMain::CreateMenus() {
    MenuBars = new QStackedWidget(this);
    MenuBars->setObjectName(QStringLiteral("MenuBars"));
    setMenuWidget(MenuBars);
    auto* bar = new QMenuBar(MenuBars);
    bar->setObjectName(QStringLiteral("MainMenu1"));
    MenuBars->addWidget(bar);
    MainMenu1 = bar;
    auto addMenu = [&](const QString& name, const QString& caption) {
        QMenu* menu = bar->addMenu(caption);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name + QStringLiteral("Item"));
        return menu;
    };
    File1 = addMenu(QStringLiteral("File1"), QStringLiteral("&File"));
    CreateFileMenu(File1);
    Partita1 = addMenu(QStringLiteral("Partita1"), QStringLiteral("&Partita"));
    CreatePartitaMenu(Partita1);
    Opzioni1 = addMenu(QStringLiteral("Opzioni1"), QStringLiteral("&Opzioni"));
    CreateOpzioniMenu(Opzioni1);
    Zeltor1 = addMenu(QStringLiteral("Zeltor1"), QStringLiteral("&Zeltor"));
    CreateZeltorMenu(Zeltor1);

    Giocainrete1 = new QAction(QStringLiteral("&Gioca in rete"), this);
    Giocainrete1->setObjectName(QStringLiteral("Giocainrete1"));
    Giocainrete1->setEnabled(false);
    bar->addAction(Giocainrete1);
    BindCommand(Giocainrete1, [this] { Giocainrete1Click(); });

    Help1 = addMenu(QStringLiteral("Help1"), QStringLiteral("&Aiuto"));
    Aiuto1 = MenuItem(Help1, QStringLiteral("Aiuto1"), QStringLiteral("Aiuto"));
    BindCommand(Aiuto1, [this] { Aiuto1Click(); });
    About1 = MenuItem(Help1, QStringLiteral("About1"), QStringLiteral("Informazioni su.."));
    BindCommand(About1, [this] { About1Click(); });

    Engine1 = new QAction(QStringLiteral("&Engine"), this);
    Engine1->setObjectName(QStringLiteral("Engine1"));
    Engine1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    BindCommand(Engine1, [this] { Engine1Click(); });
    Engine1->setEnabled(false);
    Engine1->setVisible(false);
    bar->addAction(Engine1);
    Debugwindow1 = new QAction(QStringLiteral("&Debug window"), this);
    Debugwindow1->setObjectName(QStringLiteral("Debugwindow1"));
    Debugwindow1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    Debugwindow1->setEnabled(false);
    Debugwindow1->setVisible(false);
    bar->addAction(Debugwindow1);
}

void TFormMain::CreateFileMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, [this] { File1Click(); });
    Save1 = MenuItem(menu, QStringLiteral("Save1"), QStringLiteral("&Salva"), Qt::Key_F2);
    BindCommand(Save1, [this] { Save1Click(); });
    SaveAs1 = MenuItem(menu, QStringLiteral("SaveAs1"), QStringLiteral("Salva con &nome.."));
    BindCommand(SaveAs1, [this] { SaveAs1Click(); });
    Load1 = MenuItem(menu, QStringLiteral("Load1"), QStringLiteral("&Carica.."), Qt::Key_F3);
    BindCommand(Load1, [this] { Load1Click(); });
    menu->addSeparator();
    Importafilesca1 = MenuItem(menu, QStringLiteral("Importafilesca1"),
                               QStringLiteral("I&mporta file \".sca\".."));
    ImportafilePGN1 =
        MenuItem(menu, QStringLiteral("ImportafilePGN1"), QStringLiteral("&Importa file PGN"));
    EsportafilePGN1 =
        MenuItem(menu, QStringLiteral("EsportafilePGN1"), QStringLiteral("&Esporta file PGN"));
    menu->addSeparator();
    Recent1 = menu->addMenu(QStringLiteral("&Riapri"));
    Recent1->setObjectName(QStringLiteral("Recent1"));
    Recent1->menuAction()->setEnabled(false);
    menu->addSeparator();
    Exit1 = MenuItem(menu, QStringLiteral("Exit1"), QStringLiteral("&Uscita"),
                     QKeySequence(Qt::CTRL | Qt::Key_Q));
    BindCommand(Exit1, [this] { Exit1Click(); });
}

void TFormMain::CreatePartitaMenu(QMenu* menu) {
    New1 = MenuItem(menu, QStringLiteral("New1"), QStringLiteral("&Nuova"),
                    QKeySequence(Qt::CTRL | Qt::Key_N));
    BindCommand(New1, [this] { New1Click(); });
    Undo1 = MenuItem(menu, QStringLiteral("Undo1"), QStringLiteral("&Annulla mossa"),
                     QKeySequence(Qt::ALT | Qt::Key_Backspace));
    BindCommand(Undo1, [this] { Undo1Click(); });
    Moveforward1 = MenuItem(menu, QStringLiteral("Moveforward1"), QStringLiteral("&Ripeti mossa"),
                            Qt::Key_Insert);
    BindCommand(Moveforward1, [this] { Moveforward1Click(); });
    menu->addSeparator();
    Editboard1 =
        MenuItem(menu, QStringLiteral("Editboard1"), QStringLiteral("&Modifica posizione"));
    BindCommand(Editboard1, [this] { Editboard1Click(); });
    EsportainformatoFEN1 = MenuItem(menu, QStringLiteral("EsportainformatoFEN1"),
                                    QStringLiteral("Esporta in formato &FEN"));
    BindCommand(EsportainformatoFEN1, [this] { EsportainformatoFEN1Click(); });
    Visualizzapezzicatturati1 = MenuItem(menu, QStringLiteral("Visualizzapezzicatturati1"),
                                         QStringLiteral("Visualizza pezzi catturati"));
    BindCommand(Visualizzapezzicatturati1, [this] { Visualizzapezzicatturati1Click(); });
}

void TFormMain::CreateOpzioniMenu(QMenu* menu) {
    Sound1 = MenuItem(menu, QStringLiteral("Sound1"), QStringLiteral("Suono"),
                      QKeySequence(Qt::CTRL | Qt::Key_S));
    Sound1->setCheckable(true);
    Sound1->setChecked(true);
    Sound1->setEnabled(true);
    Reverseboard1 =
        MenuItem(menu, QStringLiteral("Reverseboard1"), QStringLiteral("Capovolgi scacchiera"),
                 QKeySequence(Qt::CTRL | Qt::Key_R));
    BindCommand(Reverseboard1, [this] { Reverseboard1Click(); });
    menu->addSeparator();
    Impostazioni1 =
        MenuItem(menu, QStringLiteral("Impostazioni1"), QStringLiteral("Impostazioni.."));
    BindCommand(Impostazioni1, [this] { Impostazioni1Click(); });
    Personalizza1 =
        MenuItem(menu, QStringLiteral("Personalizza1"), QStringLiteral("Personalizza toolbar.."));
    BindCommand(Personalizza1, [this] { Personalizza1Click(); });

    Scacchiera1 = menu->addMenu(QStringLiteral("Scacchiera"));
    Scacchiera1->setObjectName(QStringLiteral("Scacchiera1"));
    auto* patterns = new QActionGroup(this);
    auto pattern = [&](const QString& name, const QString& caption, int tag) {
        QAction* item = MenuItem(Scacchiera1, name, caption);
        item->setCheckable(true);
        item->setData(tag);
        patterns->addAction(item);
        BindCommand(item, [this, item] { MenuItemPatternClick(item); });
        return item;
    };
    PatternPalissandroefaggio1 = pattern(QStringLiteral("PatternPalissandroefaggio1"),
                                         QStringLiteral("Palissandro e bosso"), 0);
    PatternPalissandroefaggio1->setChecked(true);
    PatternEbanoesicomoro1 =
        pattern(QStringLiteral("PatternEbanoesicomoro1"), QStringLiteral("Ebano e sicomoro"), 2);
    PatternPelle1 = pattern(QStringLiteral("PatternPelle1"), QStringLiteral("Pelle"), 4);
    PatternTessuto1 = pattern(QStringLiteral("PatternTessuto1"), QStringLiteral("Tessuto"), 6);
    PatternTessuto1->setVisible(false);
    PatternColori1 = pattern(QStringLiteral("PatternColori1"), QStringLiteral("Colori"), 100);
    Scacchiera1->addSeparator();
    Colorecasellechiare1 = MenuItem(Scacchiera1, QStringLiteral("Colorecasellechiare1"),
                                    QStringLiteral("Colore caselle chiare.."));
    BindCommand(Colorecasellechiare1, [this] { Colorecasellechiare1Click(); });
    Colorecasellescure1 = MenuItem(Scacchiera1, QStringLiteral("Colorecasellescure1"),
                                   QStringLiteral("Colore caselle scure.."));
    BindCommand(Colorecasellescure1, [this] { Colorecasellescure1Click(); });
    Colorebordo1 =
        MenuItem(Scacchiera1, QStringLiteral("Colorebordo1"), QStringLiteral("Colore bordo.."));
    BindCommand(Colorebordo1, [this] { Colorebordo1Click(); });
}

void TFormMain::CreateEditingMenu() {
    MainMenuModificaPosizione = new QMenuBar(MenuBars);
    MainMenuModificaPosizione->setObjectName(QStringLiteral("MainMenuModificaPosizione"));
    MenuBars->addWidget(MainMenuModificaPosizione);
    auto item = [this](const QString& name, const QString& caption) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        MainMenuModificaPosizione->addAction(action);
        return action;
    };
    Done1 = item(QStringLiteral("Done1"), QStringLiteral("&Finito"));
    BindCommand(Done1, [this] { Done1Click(); });
    Clearall1 = item(QStringLiteral("Clearall1"), QStringLiteral("&Cancella tutto"));
    BindCommand(Clearall1, [this] { Clearall1Click(); });
}

void TFormMain::CreateZeltorMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, [this] { Zeltor1Click(); });
    Datipartita1 =
        MenuItem(menu, QStringLiteral("Datipartita1"), QStringLiteral("&Dati partita.."));
    menu->addSeparator();
    InviomosseVexlor1 = menu->addMenu(QStringLiteral("Invio mosse Vexlor"));
    InviomosseVexlor1->setObjectName(QStringLiteral("InviomosseVexlor1"));
    PrintMove1 =
        MenuItem(InviomosseVexlor1, QStringLiteral("PrintMove1"), QStringLiteral("&Stampa mossa"));
    Rivedimossestampate1 = MenuItem(InviomosseVexlor1, QStringLiteral("Rivedimossestampate1"),
                                    QStringLiteral("Rivedi mosse stampate"));
    InviomosseNNTP1 = menu->addMenu(QStringLiteral("Invio mosse NNTP"));
    InviomosseNNTP1->setObjectName(QStringLiteral("InviomosseNNTP1"));
    SendmoveNTTP1 = MenuItem(InviomosseNNTP1, QStringLiteral("SendmoveNTTP1"),
                             QStringLiteral("&Invia mossa immediatamente"));
    AccodamossaNNTP1 = MenuItem(InviomosseNNTP1, QStringLiteral("AccodamossaNNTP1"),
                                QStringLiteral("&Accoda mossa per spedizione"));
    RivedimosseaccodateNNTP1 = MenuItem(InviomosseNNTP1, QStringLiteral("RivedimosseaccodateNNTP1"),
                                        QStringLiteral("&Rivedi mosse accodate"));
    InviamosseaccodateNNTP1 = MenuItem(InviomosseNNTP1, QStringLiteral("InviamosseaccodateNNTP1"),
                                       QStringLiteral("Invia mosse accodate"));
    InviamossaviaEmail = MenuItem(menu, QStringLiteral("InviamossaviaEmail"),
                                  QStringLiteral("Invia mossa via &e-mail"));
    menu->addSeparator();
    GetMoveNTTP1 =
        MenuItem(menu, QStringLiteral("GetMoveNTTP1"), QStringLiteral("&Ricevi mosse via NNTP"));
    Incollamossadaformatotesto1 = MenuItem(menu, QStringLiteral("Incollamossadaformatotesto1"),
                                           QStringLiteral("Incolla mossa da formato testo"),
                                           QKeySequence(Qt::CTRL | Qt::Key_V));
    BindCommand(Incollamossadaformatotesto1, [this] { PasteMoveFromClipboard(); });
}

void TFormMain::CreatePopupMenus() {
    PopupMenuComment = new QMenu(this);
    PopupMenuComment->setObjectName(QStringLiteral("PopupMenuComment"));
    Inseriscicommento1 = MenuItem(PopupMenuComment, QStringLiteral("Inseriscicommento1"),
                                  QStringLiteral("&Inserisci commento"));
    BindCommand(Inseriscicommento1, [this] { Inseriscicommento1Click(); });
    Inseriscicommento1->setVisible(false);
    N1 = PopupMenuComment->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    N1->setVisible(false);
    Selezionatutto1 = MenuItem(PopupMenuComment, QStringLiteral("Selezionatutto1"),
                               QStringLiteral("&Seleziona tutto"));
    BindCommand(Selezionatutto1, [this] { Selezionatutto1Click(); });
    Copia1 = MenuItem(PopupMenuComment, QStringLiteral("Copia1"), QStringLiteral("&Copia"));
    BindCommand(Copia1, [this] { Copia1Click(); });

    PopupMenuToolbar = new platform::TPopupMenu(this);
    PopupMenuToolbar->setObjectName(QStringLiteral("PopupMenuToolbar"));
    Personalizzatoolbar1 = MenuItem(PopupMenuToolbar, QStringLiteral("Personalizzatoolbar1"),
                                    QStringLiteral("Personalizza toolbar.."));
    BindCommand(Personalizzatoolbar1, [this] { Personalizza1Click(); });
}

void TFormMain::CreateStorage() {
    SaveDialog1 = new platform::TSaveDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    OpenDialog1 = new platform::TOpenDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    for (platform::TFileDialog* dialog : {static_cast<platform::TFileDialog*>(SaveDialog1),
                                          static_cast<platform::TFileDialog*>(OpenDialog1)}) {
        dialog->DefaultExt = QStringLiteral(".qzd");
        dialog->Filter = QStringLiteral("File Quendel (*.qzd)|*.qzd|Tutti i file (*.*)|*.*");
        dialog->InitialDir = QStringLiteral(".");
    }
    SaveDialog1->Options |= platform::ofOverwritePrompt;
    OpenDialog1->Options |= platform::ofFileMustExist;
    OpenDialog1->Title = QStringLiteral("Apri file Quendel");

    auto colourDialog = [this](const QString& name, TColor colour) {
        auto* dialog = new TColorDialog(this);
        dialog->setObjectName(name);
        dialog->SetColor(colour);
        return dialog;
    };
    ColorDialogBordo = colourDialog(QStringLiteral("ColorDialogBordo"), platform::clOlive);
    ColorDialogCaselleChiare =
        colourDialog(QStringLiteral("ColorDialogCaselleChiare"), platform::clSilver);
    ColorDialogCaselleScure =
        colourDialog(QStringLiteral("ColorDialogCaselleScure"), platform::clGray);

    FormStorage1 = new TFormStorage(this);
    FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
    FormStorage1->SetIniFileName(QStringLiteral("./Quendel.ini"));
    FormStorage1->SetIniSection(QStringLiteral("FinestraPrincipale"));
    FormStorage1->SetOptions({});
    FormStorage1->SetStoredProps(
        {QStringLiteral("Sound1.Checked"), QStringLiteral("ColorDialogBordo.Color"),
         QStringLiteral("ColorDialogCaselleChiare.Color"),
         QStringLiteral("ColorDialogCaselleScure.Color"), QStringLiteral("PatternColori1.Checked"),
         QStringLiteral("PatternEbanoesicomoro1.Checked"),
         QStringLiteral("PatternPalissandroefaggio1.Checked"),
         QStringLiteral("PatternPelle1.Checked"), QStringLiteral("PatternTessuto1.Checked")});

    FormStorage1->OnRestorePlacement = [this](QObject*) { FormStorage1RestorePlacement(); };

    MRUManager1 = new TMRUManager(this);
    MRUManager1->setObjectName(QStringLiteral("MRUManager1"));
    MRUManager1->SetCapacity(4);
    MRUManager1->SetIniStorage(FormStorage1);
    MRUManager1->SetRecentMenu(Recent1);
    MRUManager1->OnClick = [this](QObject*, const QString& name, const QString&, int) {
        MRUManager1Click(name);
    };
    SpeedBar2->SetIniStorage(FormStorage1);
}

// ---- window events

void TFormMain::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        UpdateTitle();
    QMainWindow::showEvent(event);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (Modified && ConfirmSaveChanges() == 0) {
        event->ignore();
        return;
    }
    event->accept();
    emit Closed();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    event->acceptProposedAction();
    DropFiles(files);
}

void TFormMain::UpdateTitle() {
    setWindowTitle(HasGameFile ? AppInfo.Title() + QStringLiteral(" - ") + GameFileName
                               : AppInfo.Title());
}

// ---- the move list

QStringList TFormMain::MoveListLines() const {
    const QString text = MemoListaMosse->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void TFormMain::SetMoveListLines(const QStringList& lines) {
    MemoListaMosse->setPlainText(lines.join(QLatin1Char('\n')));
    MemoListaMosse->verticalScrollBar()->setValue(MemoListaMosse->verticalScrollBar()->maximum());
}

void TFormMain::AddMoveToList(const QString& text) {
    QStringList lines = MoveListLines();
    const bool afterBlack = ChessBoard1->WhiteToMove();
    const int number = ChessBoard1->CurrentMove() - (afterBlack ? 1 : 0);
    movelist::AddMove(lines, text, afterBlack, number);
    SetMoveListLines(lines);
}

void TFormMain::RemoveLastMoveFromList() {
    QStringList lines = MoveListLines();
    movelist::RemoveLastMove(lines);
    SetMoveListLines(lines);
}

void TFormMain::UpdateGameInfo() {
    using correspondence::PlayerShortName;
    QString caption = MatchCode;
    if (!WhitePlayer.isEmpty() && !BlackPlayer.isEmpty())
        caption += QLatin1Char('\n') + PlayerShortName(WhitePlayer) + QLatin1Char('-') +
                   PlayerShortName(BlackPlayer);
    LabelGameInfo->setText(caption);
}

// ---- board events: the road of every move

bool TFormMain::SoundOn() const {
    return Sound1->isChecked();
}

void TFormMain::ChessBoard1LegalMove(TChessBoardModel*, Square, Square) {
    const bool moverWhite = !ChessBoard1->WhiteToMove();
    const int n = ChessBoard1->CurrentMove() - (moverWhite ? 0 : 1);
    const QString text = ChessBoard1->GetTextMove(n, moverWhite);
    AddMoveToList(text);
    if (NetworkGame && moverWhite == LocalIsWhite && NetPlayWindow.SendMove)
        NetPlayWindow.SendMove(text);
    if (SoundOn() && !Replaying)
        platform::Beep(0);
    Modified = true;
    UpdateCorrespondenceCommands();
}

void TFormMain::SetGameResult(int result) {
    if (NetPlayWindow.SetGameResult)
        NetPlayWindow.SetGameResult(result);
}

void TFormMain::EndOfGame(int result, const QString& text) {
    GameOver = true;
    SetGameResult(result);
    if (NetworkGame)
        EndNetworkGame();
    ShowPlainMessage(text);
}

void TFormMain::ChessBoard1Mate(TChessBoardModel*, Square, Square) {
    if (ChessBoard1->WhiteToMove())
        EndOfGame(2, QStringLiteral("Scacco matto!\nIl Nero vince"));
    else
        EndOfGame(1, QStringLiteral("Scacco matto!\nIl Bianco vince"));
}

void TFormMain::ChessBoard1StaleMate(TChessBoardModel*, Square, Square) {
    EndOfGame(3, QStringLiteral("Stallo\nPartita patta"));
}

void TFormMain::ChessBoard1ThreefoldPosition(TChessBoardModel*) {
    EndOfGame(3, QStringLiteral("Posizione ripetuta 3 volte\nPartita patta"));
}

void TFormMain::ChessBoard1OnlyTwoKingsLeft(TChessBoardModel*) {
    EndOfGame(3, QStringLiteral("Restano solo i due re\nPartita patta"));
}

void TFormMain::ChessBoard1Capture(TChessBoardModel*, Square, Square, char CapturedPiece) {
    if (CapturedPiecesWindow.AddPiece)
        CapturedPiecesWindow.AddPiece(CapturedPiece);
    if (CapturedPiecesWindow.DrawPieces)
        CapturedPiecesWindow.DrawPieces();
}

bool TFormMain::IsHumanPlayer(bool white) const {
    return (white ? RadioGroupWhite : RadioGroupBlack)->ItemIndex() == 0;
}

void TFormMain::ChessBoard1Promotion(TChessBoardModel*, Square, Square, char& NewPiece) {
    const bool promoterWhite = !ChessBoard1->WhiteToMove();
    if (Replaying || (NetworkGame && ChessBoard1->WhiteToMove() == LocalIsWhite)) {
        NewPiece = ReplayPromotion;
        return;
    }
    GameOver = true;
    if (!IsHumanPlayer(promoterWhite)) {
        GameOver = false;
        return;
    }
    NewPiece = FormPromotion->Ask(promoterWhite);
    GameOver = false;
}

void TFormMain::ChessBoard1CustomMove(TChessBoardModel*) {
    if (!ChessBoard1->LegalMoveAvailable()) {
        GameOver = true;
        if (NetworkGame)
            EndNetworkGame();
    }
    if (GameOver || ChessBoard1->Thinking())
        return;
    const int choice =
        (ChessBoard1->WhiteToMove() ? RadioGroupWhite : RadioGroupBlack)->ItemIndex();
    if (choice == 1)
        ChessBoard1->MoveNow();
    else if (choice >= 2 && choice <= 5)
        MerovakEngineMove();
}

// The four Merovak entries have no engine behind them.
void TFormMain::MerovakEngineMove() {}

void TFormMain::ResetClickInput() {
    ClickFromSquare = None;
    ClickToSquare = None;
}

void TFormMain::ChessBoard1MouseUp(TChessBoard*, Qt::MouseButton, Qt::KeyboardModifiers, int X,
                                   int Y) {
    const Square sq = ChessBoard1->WindowToSquare(X, Y);
    if (sq == None)
        return;
    if (EditPageShown()) {
        PlacePiece(sq);
        return;
    }
    if (ClickFromSquare != None) {
        ClickToSquare = sq;
        const Square from = ClickFromSquare;
        ResetClickInput();
        ChessBoard1->Move(from, sq);
        return;
    }
    const QChar letter = ChessBoard1->Position().at(sq - 1);
    const bool white = ChessBoard1->WhiteToMove();
    const bool ownPiece = white ? letter.isUpper() : letter.isLower();
    if (ownPiece && (!NetworkGame || white == LocalIsWhite)) {
        ClickFromSquare = sq;
        ClickToSquare = None;
        ChessBoard1->HiLightSquare(sq);
    }
}

void TFormMain::Visualizzapezzicatturati1Click() {
    if (CapturedPiecesWindow.ShowFromMain)
        CapturedPiecesWindow.ShowFromMain(this);
}

void TFormMain::MoveDockedForms(const QRect& mainFrame) {
    if (CapturedPiecesWindow.FollowMain)
        CapturedPiecesWindow.FollowMain(mainFrame);
    if (NetPlayWindow.FollowMain)
        NetPlayWindow.FollowMain(mainFrame);
}

// ---- taking back and replaying

void TFormMain::CountCapturedPieces(const QString& after, const QString& before, bool add) {
    for (const char letter : movelist::CapturedDifference(after, before)) {
        const auto& change = add ? CapturedPiecesWindow.AddPiece : CapturedPiecesWindow.RemovePiece;
        if (change)
            change(letter);
        if (CapturedPiecesWindow.DrawPieces)
            CapturedPiecesWindow.DrawPieces();
    }
}

void TFormMain::Undo1Click() {
    GameOver = false;
    const QString before = ChessBoard1->Position();
    if (!ChessBoard1->MoveBackward()) {
        if (SoundOn())
            platform::Beep(48);
        return;
    }
    ResetClickInput();
    RemoveLastMoveFromList();
    CountCapturedPieces(ChessBoard1->Position(), before, false);
    UpdateCorrespondenceCommands();
}

void TFormMain::Moveforward1Click() {
    const QString before = ChessBoard1->Position();
    if (!ChessBoard1->MoveForward()) {
        if (SoundOn())
            platform::Beep(48);
        return;
    }
    ResetClickInput();
    const bool moverWhite = !ChessBoard1->WhiteToMove();
    const int n = ChessBoard1->CurrentMove() - (moverWhite ? 0 : 1);
    AddMoveToList(ChessBoard1->GetTextMove(n, moverWhite));
    CountCapturedPieces(before, ChessBoard1->Position(), true);
    UpdateCorrespondenceCommands();
}

// ---- new game, saving changes, closing

void TFormMain::ClearCapturedPieces() {
    if (CapturedPiecesWindow.ClearPieces)
        CapturedPiecesWindow.ClearPieces();
}

bool TFormMain::NewGame() {
    if (Modified && ConfirmSaveChanges() == 0)
        return false;
    Modified = false;
    ChessBoard1->NewGame();
    ResetClickInput();
    SetMoveListLines({});
    ClearCapturedPieces();
    HasGameFile = false;
    GameFileName.clear();
    EditingPosition = false;
    WhitePlayer.clear();
    BlackPlayer.clear();
    MatchCode.clear();
    HeaderLine1.clear();
    HeaderLine2.clear();
    GameRound.clear();
    GameInfo.clear();
    StartDate = Today();
    NetworkGame = false;
    UpdateGameInfo();
    UpdateTitle();
    GameOver = false;
    UpdateCommandStates();
    return true;
}

void TFormMain::New1Click() {
    NewGame();
}

void TFormMain::Exit1Click() {
    close();
}

// ---- the TCP play window's operations

bool TFormMain::StartNetworkGame(const QString& white, const QString& black, bool localIsWhite) {
    if (!NewGame())
        return false;
    WhitePlayer = white;
    BlackPlayer = black;
    LocalIsWhite = localIsWhite;
    NetworkGame = true;
    ChessBoard1->LocalSideOnly = true;
    ChessBoard1->LocalSideIsWhite = localIsWhite;
    UpdateCommandStates();
    UpdateGameInfo();
    return true;
}

void TFormMain::EndNetworkGame() {
    NetworkGame = false;
    GameOver = true;
    if (NetPlayWindow.EndGame)
        NetPlayWindow.EndGame();
    ChessBoard1->LocalSideOnly = false;
    UpdateCommandStates();
}

void TFormMain::ShowTimeout(bool whiteFlagged) {
    GameOver = true;
    SetGameResult(whiteFlagged ? 2 : 1);
    const QString text = whiteFlagged ? QStringLiteral("Timeout del Bianco!\nIl Nero vince")
                                      : QStringLiteral("Timeout del Nero!\nIl Bianco vince");
    if (NetworkGame)
        EndNetworkGame();
    ShowPlainMessage(text);
}

// ---- the move-text parser

void TFormMain::EndByAgreement(const QString& word) {
    QString text;
    if (word == QLatin1String("draw")) {
        text = QStringLiteral("Patta per comune accordo");
        SetGameResult(3);
    } else if (ChessBoard1->WhiteToMove()) {
        text = QStringLiteral("Il bianco abbandona");
        SetGameResult(2);
    } else {
        text = QStringLiteral("Il nero abbandona");
        SetGameResult(1);
    }
    QStringList lines = MoveListLines();
    movelist::AddMarker(lines, word);
    SetMoveListLines(lines);
    GameOver = true;
    if (NetworkGame)
        EndNetworkGame();
    ShowPlainMessage(text);
}

bool TFormMain::ApplyMoveText(const QString& text) {
    const TMoveCommand command = ParseMoveText(text, ChessBoard1->WhiteToMove());
    if (command.promotion)
        ReplayPromotion = command.promotion;
    switch (command.kind) {
    case TMoveCommand::Resign:
        EndByAgreement(QStringLiteral("resign"));
        return false;
    case TMoveCommand::Draw:
        EndByAgreement(QStringLiteral("draw"));
        return false;
    case TMoveCommand::PlayMove:
        return ChessBoard1->Move(command.from, command.to);
    default:
        return false;
    }
}

// ---- pasting a correspondence move

void TFormMain::PasteMoveFromClipboard() {
    const TPastedMove pasted = ParsePastedMove(QApplication::clipboard()->text());
    auto refuse = [&](const QString& reason) {
        ShowPlainMessage(pasted.prefix + QLatin1Char('\n') + reason);
    };
    if (!pasted.ok) {
        refuse(pasted.error);
        return;
    }
    const bool whiteToMove = ChessBoard1->WhiteToMove();
    if (pasted.moveNumber != ChessBoard1->CurrentMove() || pasted.white != whiteToMove ||
        (NetworkGame && whiteToMove != LocalIsWhite)) {
        refuse(QStringLiteral("Turno di gioco non valido"));
        return;
    }
    const TMoveCommand::Kind kind = ParseMoveText(pasted.moveText, whiteToMove).kind;
    if (!ApplyMoveText(pasted.moveText) && kind != TMoveCommand::Resign &&
        kind != TMoveCommand::Draw)
        refuse(QStringLiteral("Mossa non valida"));
}
