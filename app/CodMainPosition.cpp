// The main window's position editing, its FEN export and the board's look.

#include "app/CodMain.h"

#include "app/BoardAppearance.h"
#include "app/CodVersione.h"
#include "app/RadioGroup.h"
#include "board/PieceSet.h"
#include "controls/SpeedBar.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStackedWidget>
#include <QToolButton>

namespace {

// The piece letters by the tag of their edit button.
constexpr char EditPieceLetters[] = "PNBRQKpnbrqk";
constexpr int PatternColoursTag = 100;

} // namespace

// ---- position editing

void TFormMain::LoadEditButtonGlyphs() {
    const QPixmap pieceSet = ImagePieceSet->pixmap();
    for (const int row : {0, 2}) {
        for (int column = 0; column < 6; ++column) {
            constexpr int cell = PieceSet::StandardCell;
            QPixmap glyph = pieceSet.copy(column * cell, row * cell, cell, cell);
            // As on a speed button, the colour of the lower left pixel lets the button show
            // through.
            const QColor transparent = glyph.toImage().pixelColor(0, glyph.height() - 1);
            glyph.setMask(glyph.createMaskFromColor(transparent));
            PieceButtons[column + 3 * row]->setIcon(QIcon(glyph));
        }
    }
}

bool TFormMain::EditPageShown() const {
    return Notebook1->currentWidget() == PageEdit;
}

// The other bar is hidden, and a hidden bar's shortcuts do not fire.
void TFormMain::ShowMenuBar(QMenuBar* bar) {
    MenuBars->setCurrentWidget(bar);
}

void TFormMain::Editboard1Click() {
    EditingPosition = true;
    SetMoveListLines({});
    ClearCapturedPieces();
    const bool whiteToMove = ChessBoard1->WhiteToMove();
    const QString placement = ChessBoard1->Position();
    ChessBoard1->NewGame();
    ChessBoard1->SetWhiteToMove(whiteToMove);
    ChessBoard1->SetPosition(placement);
    ResetClickInput();
    // A FEN left from an earlier session must not replace the pieces placed now.
    EditFEN->clear();
    Notebook1->setCurrentWidget(PageEdit);
    ShowMenuBar(MainMenuModificaPosizione);
    RadioGroupTurn->SetItemIndex(whiteToMove ? 0 : 1);
    RadioGroupWhite->SetItemIndex(0);
    RadioGroupBlack->SetItemIndex(0);
    UpdateCommandStates();
}

void TFormMain::RadioGroupTurnClick() {
    ChessBoard1->SetWhiteToMove(RadioGroupTurn->ItemIndex() != 1);
}

char TFormMain::PressedPiece() const {
    for (int tag = 0; tag < int(PieceButtons.size()); ++tag) {
        if (PieceButtons[tag]->isChecked())
            return EditPieceLetters[tag];
    }
    return ' ';
}

// All may be up, at most one down.
void TFormMain::PieceButtonClicked(QToolButton* button) {
    if (!button->isChecked())
        return;
    for (QToolButton* other : PieceButtons) {
        if (other != button)
            other->setChecked(false);
    }
}

void TFormMain::PlacePiece(Square sq) {
    QString placement = ChessBoard1->Position();
    placement[sq - 1] = QLatin1Char(PressedPiece());
    ChessBoard1->SetPosition(placement);
}

void TFormMain::Clearall1Click() {
    ChessBoard1->SetPosition(QString(64, QLatin1Char(' ')));
}

// The hand-made position becomes the first record of the history, so a take-back stops there.
void TFormMain::SetUpEditedPosition() {
    MoveInfo start;
    start.Placement = ChessBoard1->Squares();
    start.Castling = AllCastling;
    start.EnPassantSq = None;
    ChessBoard1->SetUpPosition(start, 1, ChessBoard1->WhiteToMove());
}

void TFormMain::BtnDoneEditingClick() {
    Notebook1->setCurrentWidget(PageLista);
    ShowMenuBar(MainMenu1);
    GameOver = false;
    ResetClickInput();
    const QString fen = EditFEN->text();
    if (fen.isEmpty() || !ChessBoard1->SetFENPosition(fen))
        SetUpEditedPosition();
    UpdateCommandStates();
}

void TFormMain::Done1Click() {
    BtnDoneEditingClick();
}

// While the page "Edit" is shown a click places a piece: no drag may start a move.
bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == SpeedBar2)
        SpeedBar2Changed(event);
    if (watched == ChessBoard1 && EditPageShown()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::EsportainformatoFEN1Click() {
    QApplication::clipboard()->setText(ChessBoard1->GetFENPosition());
    platform::MessageBox(QStringLiteral("Stringa FEN copiata negli appunti"), AppInfo.Name,
                         platform::MB_OK);
}

// ---- the board's look

void TFormMain::SetBoardPattern(int tag) {
    ChessBoard1->SetBoardFrame(true);
    ChessBoard1->SetBorderBitmap(QPixmap());
    ChessBoard1->SetSquareDark(QPixmap());
    ChessBoard1->SetSquareLight(QPixmap());
    if (tag == PatternColoursTag) {
        ChessBoard1->SetSquareColorLight(ColorDialogCaselleChiare->Color());
        ChessBoard1->SetSquareColorDark(ColorDialogCaselleScure->Color());
        ChessBoard1->SetBorderColor(ColorDialogBordo->Color());
    } else {
        ChessBoard1->SetBorderBitmap(BoardPatternImage(tag));
        ChessBoard1->SetSquareDark(BoardPatternImage(tag));
        ChessBoard1->SetSquareLight(BoardPatternImage(tag + 1));
    }
    ChessBoard1->Paint();
}

void TFormMain::MenuItemPatternClick(QAction* item) {
    item->setChecked(true);
    SetBoardPattern(item->data().toInt());
}

void TFormMain::ChooseColour(TColorDialog* dialog, QAction* item) {
    if (!platform::ExecuteColorDialog(*dialog))
        return;
    item->setIcon(ColorMenuBitmap(dialog->Color()));
    SetBoardPattern(PatternColoursTag);
}

void TFormMain::Colorecasellechiare1Click() {
    ChooseColour(ColorDialogCaselleChiare, Colorecasellechiare1);
}

void TFormMain::Colorecasellescure1Click() {
    ChooseColour(ColorDialogCaselleScure, Colorecasellescure1);
}

void TFormMain::Colorebordo1Click() {
    ChooseColour(ColorDialogBordo, Colorebordo1);
}

QAction* TFormMain::CheckedPatternItem() const {
    for (QAction* item : {PatternPalissandroefaggio1, PatternEbanoesicomoro1, PatternPelle1,
                          PatternTessuto1, PatternColori1}) {
        if (item->isChecked())
            return item;
    }
    return nullptr;
}

// A damaged settings file may leave no pattern checked: the board then wears the first one.
void TFormMain::FormStorage1RestorePlacement() {
    Colorecasellechiare1->setIcon(ColorMenuBitmap(ColorDialogCaselleChiare->Color()));
    Colorecasellescure1->setIcon(ColorMenuBitmap(ColorDialogCaselleScure->Color()));
    Colorebordo1->setIcon(ColorMenuBitmap(ColorDialogBordo->Color()));
    ChessBoard1->SetSquareColorLight(ColorDialogCaselleChiare->Color());
    ChessBoard1->SetSquareColorDark(ColorDialogCaselleScure->Color());
    ChessBoard1->SetBorderColor(ColorDialogBordo->Color());
    QAction* checked = CheckedPatternItem();
    if (!checked) {
        checked = PatternPalissandroefaggio1;
        checked->setChecked(true);
    }
    SetBoardPattern(checked->data().toInt());
}
