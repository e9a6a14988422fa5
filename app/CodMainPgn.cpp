// The main window's PGN import and export and its import of tournament files.

#include "app/CodMain.h"

#include "app/CodPGN.h"
#include "app/FormPGN.h"
#include "app/RadioGroup.h"
#include "app/ScaFile.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"

#include <QFileInfo>
#include <cmath>

void TFormMain::CreatePgnCommands() {
    SaveDialogPGN = new platform::TSaveDialog(this);
    SaveDialogPGN->setObjectName(QStringLiteral("SaveDialogPGN"));
    SaveDialogPGN->Title = QStringLiteral("Selezionare il nome del file PGN");
    SaveDialogPGN->DefaultExt = QStringLiteral(".pgn");
    SaveDialogPGN->Filter = QStringLiteral("File PGN (*.pgn)|*.pgn|Tutti i file (*.*)|*.*");
    SaveDialogPGN->InitialDir = QStringLiteral(".");

    OpenDialog2 = new platform::TOpenDialog(this);
    OpenDialog2->setObjectName(QStringLiteral("OpenDialog2"));
    OpenDialog2->Title = QStringLiteral("Importa file torneo (.sca)");
    OpenDialog2->DefaultExt = QStringLiteral(".sca");
    OpenDialog2->Filter = QStringLiteral("File torneo (*.sca)|*.sca|Tutti i file (*.*)|*.*");
    OpenDialog2->Options |= platform::ofFileMustExist;

    BindCommand(Importafilesca1, [this] { Importafilesca1Click(); });
    BindCommand(ImportafilePGN1, [this] { ImportafilePGN1Click(); });
    BindCommand(EsportafilePGN1, [this] { EsportafilePGN1Click(); });
}

// ---- PGN

void TFormMain::ImportafilePGN1Click() {
    if (platform::ShowModal(*FormPGN) != QDialog::Accepted || !NewGame())
        return;
    MatchCode = FormPGN->Event;
    HeaderLine1 = FormPGN->Site;
    HeaderLine2.clear();
    StartDate = int(std::floor(FormPGN->Date));
    GameRound = FormPGN->Round;
    WhitePlayer = FormPGN->White;
    BlackPlayer = FormPGN->Black;
    CodPGN::ReplayPgnMoves(*ChessBoard1, FormPGN->Moves, ReplayPromotion, Replaying);
    UpdateGameInfo();
}

void TFormMain::EsportafilePGN1Click() {
    FormPGN->Moves = CodPGN::ExportMovePairs(*ChessBoard1, FormPGN->Result);
    FormPGN->Event = MatchCode;
    FormPGN->Site = HeaderLine1.isEmpty() || HeaderLine2.isEmpty()
                        ? HeaderLine1 + HeaderLine2
                        : HeaderLine1 + QStringLiteral(" - ") + HeaderLine2;
    FormPGN->Date = StartDate;
    FormPGN->Round = GameRound;
    FormPGN->White = WhitePlayer;
    FormPGN->Black = BlackPlayer;

    const QString qzd = QStringLiteral(".qzd");
    SaveDialogPGN->FileName =
        HasGameFile && GameFileName.endsWith(qzd, Qt::CaseInsensitive)
            ? GameFileName.left(GameFileName.size() - qzd.size()) + QStringLiteral(".pgn")
            : QString();
    if (!SaveDialogPGN->Execute())
        return;
    const QString name = SaveDialogPGN->FileName;
    const QFileInfo file(name);
    FormPGN->Append = false;
    if (file.exists() && file.size() > 0) {
        const int answer = platform::MessageBox(
            QStringLiteral("Il file ") + name + QStringLiteral(" esiste gia'. Accodare?"),
            QStringLiteral("Esporta PGN"), platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION,
            this);
        if (answer == platform::IDCANCEL)
            return;
        FormPGN->Append = answer == platform::IDYES;
    }
    FormPGN->WritePgnGame(name);
}

// ---- tournament files

void TFormMain::Importafilesca1Click() {
    if (!OpenDialog2->Execute())
        return;
    if (Modified && ConfirmSaveChanges() == 0)
        return;
    ImportScaFile(OpenDialog2->FileName);
}

// The whole file is read and checked before anything changes; an imported game has no file name
// and joins no recent-files list.
void TFormMain::ImportScaFile(const QString& fileName) {
    TScaGame game;
    QString error;
    if (!game.Load(fileName, error)) {
        platform::ShowError(error, this);
        return;
    }
    ClearForLoadedGame(QString());
    UpdateTitle();
    HeaderLine1 = game.HeaderLine1;
    HeaderLine2 = game.HeaderLine2;
    GameRound = game.GameRound;
    WhitePlayer = game.WhitePlayer;
    BlackPlayer = game.BlackPlayer;
    MatchCode = game.MatchCode;
    GameInfo.clear();
    StartDate = game.StartDate;
    game.Replay(*ChessBoard1, ReplayPromotion, Replaying);
    UpdateGameInfo();
    Modified = false;
    UpdateCommandStates();
}
