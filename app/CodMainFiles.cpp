// The main window's game files: the save question, saving, loading and the open commands.

#include "app/CodMain.h"

#include "app/CodVersione.h"
#include "app/GameFile.h"
#include "app/MoveList.h"
#include "app/RadioGroup.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "storage/MRUList.h"

// Asked for every modified game; one without a file is saved through the save dialog.
int TFormMain::ConfirmSaveChanges() {
    switch (platform::MessageBox(
        QStringLiteral(
            "Sono state effettuate delle modifiche non registrate su file. Salvare ora?"),
        QStringLiteral("Abbandona modifiche"), platform::MB_YESNOCANCEL | platform::MB_ICONWARNING,
        this)) {
    case platform::IDYES:
        return SaveGame() ? 1 : 0;
    case platform::IDNO:
        return 2;
    default:
        return 0;
    }
}

bool TFormMain::SaveGameFileAs(const QString& name) {
    TGameFile game;
    game.MatchCode = MatchCode;
    game.WhitePlayer = WhitePlayer;
    game.BlackPlayer = BlackPlayer;
    game.GameRound = GameRound;
    game.HeaderLine1 = HeaderLine1;
    game.HeaderLine2 = HeaderLine2;
    game.GameInfo = GameInfo;
    game.StartDate = StartDate;
    game.WhiteOnTop = ChessBoard1->WhiteOnTop();
    game.Moves = movelist::GameFileMoves(MoveListLines());
    QString error;
    if (!game.Save(name, error)) {
        platform::ShowError(error, this);
        return false;
    }
    GameFileName = name;
    HasGameFile = true;
    Modified = false;
    UpdateTitle();
    UpdateCommandStates();
    return true;
}

bool TFormMain::SaveGameFile() {
    return SaveGameFileAs(GameFileName);
}

// The game-file format has no starting position, so a game begun from an edited one cannot be
// written; the user is told rather than left wondering why nothing happened.
bool TFormMain::GameMayBeSaved() {
    if (!EditingPosition)
        return true;
    platform::MessageBox(QStringLiteral("Una partita che parte da una posizione modificata non si "
                                        "salva come file .qzd."),
                         AppInfo.Name, platform::MB_OK | platform::MB_ICONWARNING, this);
    return false;
}

bool TFormMain::SaveGameWithDialog() {
    if (!GameMayBeSaved())
        return false;
    SaveDialog1->FileName = MatchCode.isEmpty()
                                ? QString()
                                : QStringLiteral("Part") + MatchCode + QStringLiteral(".qzd");
    return SaveDialog1->Execute() && SaveGameFileAs(SaveDialog1->FileName);
}

bool TFormMain::SaveGame() {
    if (!HasGameFile || GameFileName.isEmpty())
        return SaveGameWithDialog();
    return GameMayBeSaved() && SaveGameFile();
}

void TFormMain::SaveAs1Click() {
    SaveGameWithDialog();
}

void TFormMain::Save1Click() {
    SaveGame();
}

void TFormMain::LoadGameFile(const QString& name) {
    MRUManager1->Remove(name);
    TGameFile game;
    QString error;
    if (!game.Load(name, error)) {
        platform::ShowError(error, this);
        return;
    }
    struct ReplayScope {
        bool& flag;
        ~ReplayScope() { flag = false; }
    } replaying{Replaying};

    ClearForLoadedGame(name);
    Replaying = true;
    UpdateTitle();
    MatchCode = game.MatchCode;
    WhitePlayer = game.WhitePlayer;
    BlackPlayer = game.BlackPlayer;
    GameRound = game.GameRound;
    HeaderLine1 = game.HeaderLine1;
    HeaderLine2 = game.HeaderLine2;
    GameInfo = game.GameInfo;
    StartDate = game.StartDate;
    ChessBoard1->SetWhiteOnTop(game.WhiteOnTop);
    for (const QString& line : game.Moves) {
        if (!ApplyMoveText(line))
            break;
    }
    UpdateGameInfo();
    MRUManager1->Add(name, 0);
    Modified = false;
    UpdateCommandStates();
}

// A new game at the board, before a loaded or imported game is replayed onto it.
void TFormMain::ClearForLoadedGame(const QString& fileName) {
    GameFileName = fileName;
    Modified = false;
    RadioGroupWhite->SetItemIndex(0);
    RadioGroupBlack->SetItemIndex(0);
    ChessBoard1->NewGame();
    ResetClickInput();
    SetMoveListLines({});
    EditingPosition = false;
    GameOver = false;
    ClearCapturedPieces();
    HasGameFile = !fileName.isEmpty();
}

void TFormMain::OpenGameFile(const QString& name) {
    if (!GameMayChange() || (Modified && ConfirmSaveChanges() == 0))
        return;
    LoadGameFile(name);
}

void TFormMain::Load1Click() {
    if (OpenDialog1->Execute())
        OpenGameFile(OpenDialog1->FileName);
}

void TFormMain::MRUManager1Click(const QString& recentName) {
    OpenGameFile(recentName);
}

void TFormMain::DropFiles(const QStringList& files) {
    if (!GameMayChange() || files.isEmpty())
        return;
    OpenGameFile(files.constFirst());
}
