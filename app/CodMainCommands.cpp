// The main window's command states and its small commands: the menus' states, the board's
// turning, help and about, the engine page and the move list's pop-up menu.

#include "app/CodMain.h"

#include "app/CodVersione.h"
#include "app/Help.h"
#include "app/MoveList.h"
#include "app/about.h"
#include "controls/SpeedBar.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "storage/MRUList.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTextBlock>

// ---- menu states

void TFormMain::File1Click() {
    UpdateCommandStates();
}

bool TFormMain::GameMayChange() const {
    return !EditPageShown() && !NetworkGame;
}

// The one place that decides which commands answer, for menu items, shortcuts and tool-bar items
// alike. While a position is edited or a network game runs, nothing replaces, rewinds or replays
// the game; a game set up by hand is not saved.
void TFormMain::UpdateCommandStates() {
    const bool gameMayChange = GameMayChange();
    for (QAction* item :
         {Undo1, Moveforward1, Editboard1, New1, Load1, Importafilesca1, ImportafilePGN1})
        SetCommandEnabled(item, gameMayChange);
    for (TSpeedItem* item :
         {SpeedItemOpen, SpeedItemNew, SpeedItemGameEdit, SpeedItemBack, SpeedItemForw})
        SetCommandEnabled(item, gameMayChange);
    SetCommandEnabled(Incollamossadaformatotesto1, !EditPageShown());
    Recent1->menuAction()->setEnabled(gameMayChange && MRUManager1->Strings().Count() > 0);
    SetCommandEnabled(Save1, !EditingPosition && !GameFileName.isEmpty());
    SetCommandEnabled(SaveAs1, !EditingPosition);
    SetCommandEnabled(SpeedItemSave, !EditingPosition);
    UpdateCorrespondenceCommands();
}

void TFormMain::Zeltor1Click() {
    UpdateCorrespondenceCommands();
}

void TFormMain::Reverseboard1Click() {
    ChessBoard1->SetWhiteOnTop(!ChessBoard1->WhiteOnTop());
}

void TFormMain::Aiuto1Click() {
    ShowHelpContents(this);
}

void TFormMain::About1Click() {
    ShowAbout(true);
}

void TFormMain::Engine1Click() {
    ChessBoard1->InitChessThread();
    UpDownDepth->setValue(ChessBoard1->SearchDepth());
    Notebook1->setCurrentWidget(Notebook1->currentWidget() == PageEngine ? PageLista : PageEngine);
}

void TFormMain::UpDownDepthClick() {
    ChessBoard1->SetSearchDepth(UpDownDepth->value());
}

void TFormMain::Inseriscicommento1Click() {
    const QTextBlock block = MemoListaMosse->textCursor().block();
    const int n = block.blockNumber() + 1;
    QString comment = QStringLiteral("prova");
    if (!platform::InputQuery(QStringLiteral("Inserisci commento"),
                              QStringLiteral("commento alla mossa ") + QString::number(n), comment,
                              this))
        return;
    ChessBoard1->AddComment(n, true, comment);
    QStringList lines = MoveListLines();
    if (movelist::AddComment(lines, n - 1, comment))
        SetMoveListLines(lines);
}

void TFormMain::Selezionatutto1Click() {
    MemoListaMosse->selectAll();
}

void TFormMain::Copia1Click() {
    MemoListaMosse->copy();
}
