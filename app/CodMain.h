#pragma once
// The main window: the board, the move list, the menus and tool bar, a whole game between two
// players with its end, and the program's game files and pasted moves.

#include "app/Correspondence.h"
#include "board/Chessbrd.h"

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolButton;
class QPlainTextEdit;
class QSpinBox;
class QStackedWidget;
class QFrame;
class TColorDialog;
class TFormStorage;
class TMRUManager;
class TRadioGroup;
class TSpeedBar;
class TSpeedItem;

namespace platform {
class TOpenDialog;
class TPopupMenu;
class TSaveDialog;
} // namespace platform

// The captured-pieces window as the main window drives it. Each operation may stay empty until
// that window exists; the start-up connects them.
struct TCapturedPiecesLink {
    std::function<void(char Letter)> AddPiece;
    std::function<void(char Letter)> RemovePiece;
    std::function<void()> ClearPieces;
    std::function<void()> DrawPieces;
    // Shown from the main window's menu; carried along when the main window moves.
    std::function<void(QWidget* Main)> ShowFromMain;
    std::function<void(const QRect& MainFrame)> FollowMain;
};
extern TCapturedPiecesLink CapturedPiecesWindow;

// The TCP play window as the main window drives it; the same holds.
struct TNetPlayLink {
    std::function<void(const QString& MoveText)> SendMove;
    std::function<void()> EndGame;
    // The result byte: 1 White wins, 2 Black wins, 3 draw, 0 none.
    std::function<void(int Result)> SetGameResult;
    // Shown from the main window's menu; carried along when the main window moves.
    std::function<void(QWidget* Main)> ShowFromMain;
    std::function<void(const QRect& MainFrame)> FollowMain;
};
extern TNetPlayLink NetPlayWindow;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // ---- fields
    TChessBoard* ChessBoard1;
    QString GameFileName;
    bool HasGameFile = false;
    bool EditingPosition = false;
    Square ClickFromSquare = None;
    Square ClickToSquare = None;
    bool Modified = false;
    QString WhitePlayer;
    QString BlackPlayer;
    QString MatchCode;
    int StartDate = 0;
    QString GameInfo;
    QString HeaderLine2;
    QString HeaderLine1;
    QString GameRound;
    bool LocalIsWhite = false;
    bool NetworkGame = false;
    QString NntpQueueFileName;
    QString NntpSeparator;
    bool GameOver = false;
    bool Replaying = false;
    char ReplayPromotion = 'q';
    // The online service's settings, section "Zeltor" of the settings file.
    QString VexlorArea;
    QString VexlorFileName;
    QString NewsServer;
    int NewsPort = 119;
    QString NewsGroup;
    QString Signature;
    QString UserName;
    QString Password;
    bool NewSubjectFormat = false;

    // ---- components
    QLabel* ImagePieceSet;
    QFrame* Panel1;
    QStackedWidget* Notebook1;
    QWidget* PageLista;
    QWidget* PageEngine;
    QWidget* PageEdit;
    QLabel* LabelGameInfo;
    QPlainTextEdit* MemoListaMosse;
    QSpinBox* UpDownDepth;
    TRadioGroup* RadioGroupWhite;
    TRadioGroup* RadioGroupBlack;
    QLineEdit* EditFEN;
    TRadioGroup* RadioGroupTurn;
    QFrame* PanelEdit;
    // The piece buttons by their tag: 0-5 White's P, N, B, R, Q, K, 6-11 Black's.
    std::array<QToolButton*, 12> PieceButtons{};
    QPushButton* BtnDoneEditing;
    TSpeedBar* SpeedBar2;
    TFormStorage* FormStorage1;
    TMRUManager* MRUManager1;
    platform::TSaveDialog* SaveDialog1;
    platform::TOpenDialog* OpenDialog1;
    platform::TOpenDialog* OpenDialog2;
    platform::TSaveDialog* SaveDialogPGN;
    TColorDialog* ColorDialogBordo;
    TColorDialog* ColorDialogCaselleChiare;
    TColorDialog* ColorDialogCaselleScure;
    QMenu* PopupMenuComment;
    platform::TPopupMenu* PopupMenuToolbar;

    // Menus and their items; while a position is edited its own bar stands in for the main one.
    QMenuBar* MainMenu1;
    QMenuBar* MainMenuModificaPosizione;
    QAction *Done1, *Clearall1;
    QMenu *File1, *Partita1, *Opzioni1, *Scacchiera1, *Zeltor1, *InviomosseVexlor1,
        *InviomosseNNTP1, *Help1, *Recent1;
    QAction *Save1, *SaveAs1, *Load1, *Importafilesca1, *ImportafilePGN1, *EsportafilePGN1, *Exit1;
    QAction *New1, *Undo1, *Moveforward1, *Editboard1, *EsportainformatoFEN1,
        *Visualizzapezzicatturati1;
    QAction *Sound1, *Reverseboard1, *Impostazioni1, *Personalizza1;
    QAction *PatternPalissandroefaggio1, *PatternEbanoesicomoro1, *PatternPelle1, *PatternTessuto1,
        *PatternColori1, *Colorecasellechiare1, *Colorecasellescure1, *Colorebordo1;
    QAction *Datipartita1, *PrintMove1, *Rivedimossestampate1, *SendmoveNTTP1, *AccodamossaNNTP1,
        *RivedimosseaccodateNNTP1, *InviamosseaccodateNNTP1, *InviamossaviaEmail, *GetMoveNTTP1,
        *Incollamossadaformatotesto1;
    QAction *Giocainrete1, *Aiuto1, *About1, *Engine1, *Debugwindow1;
    QAction *Inseriscicommento1, *N1, *Selezionatutto1, *Copia1, *Personalizzatoolbar1;

    // Tool-bar items.
    TSpeedItem *SpeedItemSave, *SpeedItemOpen, *SpeedItemNew, *SpeedItemGameEdit, *SpeedItemBack,
        *SpeedItemForw, *SpeedItemNetGame, *SpeedItemHelp, *SpeedItemOpzioni, *SpeedItemVexlorWrite,
        *SpeedItemVexlorRead, *SpeedItemNntpSendNow, *SpeedItemNntpQueue, *SpeedItemNntpSendQueued,
        *SpeedItemNntpRead, *SpeedItemNntpGet, *SpeedItem1;

    // A command whose handler exists: the item triggers it and may be enabled. Items without
    // one stay disabled whatever the menu states say.
    void BindCommand(QAction* item, std::function<void()> handler);
    void SetCommandEnabled(QAction* item, bool enabled);
    void BindCommand(TSpeedItem* item, std::function<void()> handler);
    void SetCommandEnabled(TSpeedItem* item, bool enabled);
    // Decides every command's enabled state from the window's state; called on each change.
    void UpdateCommandStates();

    // ---- operations
    bool NewGame();
    // 0 stop, 1 saved, 2 go on without saving.
    int ConfirmSaveChanges();
    void AddMoveToList(const QString& text);
    void RemoveLastMoveFromList();
    QStringList MoveListLines() const;
    void UpdateGameInfo();

    bool StartNetworkGame(const QString& white, const QString& black, bool localIsWhite);
    void EndNetworkGame();
    void ShowTimeout(bool whiteFlagged);
    bool ApplyMoveText(const QString& text);

    // Writes the game to GameFileName; false (reported) when it could not be written.
    bool SaveGameFile();
    // Saves as "&Salva" does: to the game's file, or through the save dialog without one. False
    // when nothing was saved (refused, cancelled or failed).
    bool SaveGame();
    void LoadGameFile(const QString& name);
    void DropFiles(const QStringList& files);
    void PasteMoveFromClipboard();

    // PGN and tournament files (CodMainPgn.cpp).
    void ImportafilePGN1Click();
    void EsportafilePGN1Click();
    void Importafilesca1Click();
    void ImportScaFile(const QString& fileName);

    // ---- handlers
    void File1Click();
    void Zeltor1Click();
    void Save1Click();
    void SaveAs1Click();
    void Load1Click();
    void MRUManager1Click(const QString& recentName);
    void Exit1Click();
    void New1Click();
    void Undo1Click();
    void Moveforward1Click();
    void Reverseboard1Click();
    void Aiuto1Click();
    void About1Click();
    void Engine1Click();
    void UpDownDepthClick();
    void Inseriscicommento1Click();
    void Selezionatutto1Click();
    void Copia1Click();

    // Position editing, FEN export and the board's look.
    void LoadEditButtonGlyphs();
    void Editboard1Click();
    void RadioGroupTurnClick();
    void Clearall1Click();
    void BtnDoneEditingClick();
    void Done1Click();
    void EsportainformatoFEN1Click();
    void MenuItemPatternClick(QAction* item);
    void SetBoardPattern(int tag);
    void Colorecasellechiare1Click();
    void Colorecasellescure1Click();
    void Colorebordo1Click();
    void FormStorage1RestorePlacement();

    void ChessBoard1MouseUp(TChessBoard* Sender, Qt::MouseButton Button,
                            Qt::KeyboardModifiers Shift, int X, int Y);
    void ChessBoard1LegalMove(TChessBoardModel* Sender, Square oldSq, Square newSq);
    void ChessBoard1Mate(TChessBoardModel* Sender, Square oldSq, Square newSq);
    void ChessBoard1StaleMate(TChessBoardModel* Sender, Square oldSq, Square newSq);
    void ChessBoard1OnlyTwoKingsLeft(TChessBoardModel* Sender);
    void ChessBoard1ThreefoldPosition(TChessBoardModel* Sender);
    void ChessBoard1Promotion(TChessBoardModel* Sender, Square oldSq, Square newSq, char& NewPiece);
    void ChessBoard1CustomMove(TChessBoardModel* Sender);
    void ChessBoard1Capture(TChessBoardModel* Sender, Square oldSq, Square newSq,
                            char CapturedPiece);
    void MerovakEngineMove();
    void Visualizzapezzicatturati1Click();
    // The main window has moved or changed size to its outer rectangle mainFrame.
    void MoveDockedForms(const QRect& mainFrame);
    void Giocainrete1Click();

    // Service settings.
    void ReadSettings();
    // Throws EIniFileException when the file cannot be written.
    void WriteSettings();
    void Impostazioni1Click();

    // Correspondence.
    void Datipartita1Click();
    void PrintMove1Click();
    void Rivedimossestampate1Click();
    void SendmoveNTTP1Click();
    void AccodamossaNNTP1Click();
    void RivedimosseaccodateNNTP1Click();
    void InviamosseaccodateNNTP1Click();
    void InviamossaviaEmailClick();
    void GetMoveNTTP1Click();
    // The messages of the last half-move; nothing (after telling the user) without a match code.
    std::optional<QStringList> BuildVexlorMessage();
    std::optional<QStringList> BuildNntpMessage();
    QString PlayerShortName(const QString& player) const;
    // The player's address; a missing one is explained in a box and gives "".
    QString PlayerEmailAddress(const QString& player);
    // Posts the articles: 0 on success, 1 on failure or a declined login. recordPosted runs in
    // the news worker after each article the server accepted, with the number accepted so far,
    // before the next one is posted; it touches nothing the GUI thread uses meanwhile. What it
    // returned last, when not empty, is an error shown before any other box.
    int SendNntpMessages(const QList<QStringList>& articles,
                         const std::function<QString(int posted)>& recordPosted = {});

signals:
    // The window has closed for good: the program ends.
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateBoard();
    void CreatePanel();
    QWidget* CreateListaPage();
    QWidget* CreateEnginePage();
    QWidget* CreateEditPage();
    QFrame* CreatePieceButtons(QWidget* page);
    void CreateMenus();
    void CreateEditingMenu();
    void CreateFileMenu(QMenu* menu);
    void CreatePartitaMenu(QMenu* menu);
    void CreateOpzioniMenu(QMenu* menu);
    void CreateZeltorMenu(QMenu* menu);
    void CreatePopupMenus();
    void CreateToolBar();
    void CreateStorage();
    void CreatePgnCommands();
    void CreateCorrespondenceCommands();
    // The Zeltor commands that need a played move, and the news commands while one runs.
    void UpdateCorrespondenceCommands();
    correspondence::TGameData GameData() const;
    correspondence::TMessageSettings MessageSettings() const;
    std::optional<correspondence::TLastMove> MessageMove();
    void ExplainMissingAddress(const QString& address, const QString& player);
    std::optional<QStringList> ReadMessageFile(const QString& fileName);
    bool WriteMessageFile(const QString& fileName, const QStringList& lines);
    void ReviewMessages(const QString& fileName, const QString& separator);
    QAction* MenuItem(QMenu* menu, const QString& name, const QString& caption,
                      const QKeySequence& shortcut = {});
    TSpeedItem* SpeedItem(int section, const QString& name, const QString& caption,
                          const QString& hint, const QIcon& icon, int left, bool visible);
    // The client area holds the tool bar at its edge; the board and the panel keep clear of it.
    static constexpr QSize ClientAreaSize{8 + 380 + 8 + 224 + 8, 4 + 380 + 8};
    void PlaceClientArea();
    void SpeedBar2Changed(QEvent* event);
    void Personalizza1Click();

    void SetMoveListLines(const QStringList& lines);
    void EndOfGame(int result, const QString& text);
    void EndByAgreement(const QString& word);
    void SetGameResult(int result);
    void UpdateTitle();
    void ClearCapturedPieces();
    void CountCapturedPieces(const QString& after, const QString& before, bool add);
    bool SaveGameFileAs(const QString& name);
    bool GameMayBeSaved();
    bool SaveGameWithDialog();
    // Neither position editing nor a network game holds the game.
    bool GameMayChange() const;
    bool SoundOn() const;
    void OpenGameFile(const QString& name);
    void ClearForLoadedGame(const QString& fileName);
    void ResetClickInput();
    bool IsHumanPlayer(bool white) const;

    // Holds the two menu bars; only the current one is shown.
    QStackedWidget* MenuBars;
    bool EditPageShown() const;
    void ShowMenuBar(QMenuBar* bar);
    void PlacePiece(Square sq);
    char PressedPiece() const;
    void PieceButtonClicked(QToolButton* button);
    void SetUpEditedPosition();
    void ChooseColour(TColorDialog* dialog, QAction* item);
    QAction* CheckedPatternItem() const;
};

extern TFormMain* FormMain;
