#include "controls/SbSetup.h"

#include "controls/SpeedBar.h"
#include "platform/Help.h"
#include "platform/Scaling.h"
#include "storage/Apputils.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

void SetupGrid(TDrawGrid* grid, int colWidth, int rowHeight, int tabOrder) {
    grid->SetColCount(1);
    grid->SetFixedCols(0);
    grid->SetFixedRows(0);
    grid->SetRowCount(1);
    grid->SetDefaultColWidth(colWidth);
    grid->SetDefaultRowHeight(rowHeight);
    grid->SetOptions(goDrawFocusSelected | goRowSelect);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid->setProperty("TabOrder", tabOrder);
}

int ClientHeight(const TDrawGrid* grid) {
    return grid->height() - 2 * grid->frameWidth();
}

void SetClientHeight(TDrawGrid* grid, int height) {
    grid->resize(grid->width(), height + 2 * grid->frameWidth());
}

} // namespace

TSpeedbarSetupWindow::TSpeedbarSetupWindow(QWidget* AOwner)
    : QDialog(AOwner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SpeedbarSetupWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The program ends with its main window, whatever this dialog does.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);
    setFixedSize(421, 262);
    // The form's font is 11 pixels high: its layout is measured for it.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(4, 4, 328, 221);
    CategoriesLabel = new QLabel(this);
    CategoriesLabel->setObjectName(QStringLiteral("CategoriesLabel"));
    CategoriesLabel->setGeometry(12, 11, 81, 13);
    ButtonsLabel = new QLabel(this);
    ButtonsLabel->setObjectName(QStringLiteral("ButtonsLabel"));
    ButtonsLabel->setGeometry(146, 11, 119, 13);
    HintLabel = new QLabel(this);
    HintLabel->setObjectName(QStringLiteral("HintLabel"));
    HintLabel->setGeometry(8, 231, 407, 29);
    HintLabel->setWordWrap(true);
    HintLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    SectionList = new TDrawGrid(this);
    SectionList->setObjectName(QStringLiteral("SectionList"));
    SectionList->setGeometry(12, 30, 129, 188);
    SetupGrid(SectionList, 127, 15, 0);
    ButtonsList = new TDrawGrid(this);
    ButtonsList->setObjectName(QStringLiteral("ButtonsList"));
    ButtonsList->setGeometry(146, 30, 179, 188);
    SetupGrid(ButtonsList, 169, 26, 1);
    ButtonsLabel->setBuddy(ButtonsList);
    CategoriesLabel->setBuddy(SectionList);

    CloseBtn = new QPushButton(this);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setGeometry(339, 12, 77, 25);
    CloseBtn->setAutoDefault(false);
    HelpBtn = new QPushButton(this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setGeometry(339, 44, 77, 25);
    HelpBtn->setAutoDefault(false);
    setTabOrder(SectionList, ButtonsList);
    setTabOrder(ButtonsList, CloseBtn);
    setTabOrder(CloseBtn, HelpBtn);
    connectHandlers();
    FormCreate();
    SectionList->setFocus();
}

void TSpeedbarSetupWindow::FormCreate() {
    CloseBtn->setDefault(false);
    QFont plain = font();
    plain.setBold(false);
    setFont(plain);
    setWindowTitle(QStringLiteral("Customize Speedbar"));
    CategoriesLabel->setText(QStringLiteral("&Categories:"));
    ButtonsLabel->setText(QStringLiteral("&Available buttons:"));
    HintLabel->setText(QStringLiteral(
        "To add command buttons, drag and drop buttons onto the SpeedBar. To remove command "
        "buttons, drag them off of the SpeedBar."));
    CloseBtn->setText(QStringLiteral("OK"));
    HelpBtn->setText(QStringLiteral("&Help"));
}

void TSpeedbarSetupWindow::FormShow() {
    if (bar_)
        UpdateListHeight();
    FitColumns();
}

void TSpeedbarSetupWindow::FormClose() {
    CancelDrag();
    if (bar_) {
        TSpeedBar* bar = bar_;
        bar_ = nullptr;
        bar->SetEditing(nullptr);
    }
}

void TSpeedbarSetupWindow::CloseBtnClick() {
    close();
}

void TSpeedbarSetupWindow::HelpBtnClick() {
    platform::ShowHelp(this, HelpContext);
}

void TSpeedbarSetupWindow::connectHandlers() {
    SectionList->OnDrawCell = [this](QObject*, int, int row, const QRect& rect, TGridDrawState) {
        SectionListDrawCell(row, rect);
    };
    SectionList->OnSelectCell = [this](QObject*, int, int row, bool&) { SetSection(row); };
    ButtonsList->OnDrawCell = [this](QObject*, int, int row, const QRect& rect, TGridDrawState) {
        ButtonsListDrawCell(row, rect);
    };
    ButtonsList->OnSelectCell = [this](QObject*, int, int row, bool& canSelect) {
        canSelect = !dragging_ || row == ButtonsList->Row();
        if (canSelect)
            UpdateHint(CurrentSection(), row);
        else
            hint_.clear();
    };
    ButtonsList->viewport()->installEventFilter(this);
    SectionList->viewport()->installEventFilter(this);
    connect(CloseBtn, &QPushButton::clicked, this, &TSpeedbarSetupWindow::CloseBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, &TSpeedbarSetupWindow::HelpBtnClick);
}

TSpeedbarSetupWindow::~TSpeedbarSetupWindow() {
    CancelDrag();
    if (bar_)
        bar_->SetEditing(nullptr);
}

void TSpeedbarSetupWindow::SetSpeedBar(TSpeedBar* Value) {
    if (Value != bar_) {
        if (bar_)
            bar_->SetEditing(nullptr);
        bar_ = Value;
        if (bar_) {
            bar_->SetEditing(this);
            UpdateListHeight();
        }
    }
    UpdateData(-1);
}

bool TSpeedbarSetupWindow::CheckSpeedBar() const {
    return bar_ && bar_->parent() && bar_->parentWidget();
}

int TSpeedbarSetupWindow::CurrentSection() const {
    return CheckSpeedBar() && bar_->GetSectionCount() > 0 ? SectionList->Row() : -1;
}

TSpeedItem* TSpeedbarSetupWindow::ItemByRow(int Row) const {
    return bar_ ? bar_->Items(CurrentSection(), Row) : nullptr;
}

void TSpeedbarSetupWindow::SetSection(int Section) {
    if (!CheckSpeedBar())
        return;
    const int count = Section >= 0 && bar_->GetSectionCount() > 0 ? bar_->ItemsCount(Section) : 0;
    ButtonsList->SetRowCount(count);
    FitColumns();
    ButtonsList->viewport()->update();
    UpdateHint(Section, ButtonsList->Row());
}

void TSpeedbarSetupWindow::UpdateCurrentSection() {
    SetSection(CurrentSection());
}

void TSpeedbarSetupWindow::UpdateData(int Row) {
    if (CheckSpeedBar()) {
        SectionList->SetRowCount(bar_->GetSectionCount());
        UpdateCurrentSection();
        if (Row >= 0 && Row < SectionList->RowCount())
            SectionList->SetRow(Row);
    } else {
        SectionList->SetRowCount(0);
        ButtonsList->SetRowCount(0);
    }
    SectionList->viewport()->update();
    ButtonsList->viewport()->update();
}

void TSpeedbarSetupWindow::UpdateHint(int Section, int Row) {
    TSpeedItem* item = bar_ ? bar_->Items(Section, Row) : nullptr;
    hint_ = item ? item->Hint() : QString();
}

void TSpeedbarSetupWindow::UpdateListHeight() {
    if (!bar_)
        return;
    const int maximum = platform::MulDiv(186, ScreenPixelsPerInch(), 96);
    const int rowHeight = bar_->BtnHeight() + 2;
    ButtonsList->SetDefaultRowHeight(rowHeight);
    const int rows = std::max(1, std::max(ClientHeight(ButtonsList), maximum) / rowHeight);
    SetClientHeight(ButtonsList, std::min(maximum, rowHeight * rows));
    SetClientHeight(SectionList, ClientHeight(ButtonsList));
    SectionList->SetDefaultRowHeight(QFontMetrics(font()).height() + 2);
}

void TSpeedbarSetupWindow::FitColumns() {
    SectionList->SetColWidths(0, std::max(1, SectionList->viewport()->width()));
    ButtonsList->SetColWidths(0, std::max(1, ButtonsList->viewport()->width()));
}

void TSpeedbarSetupWindow::SectionListDrawCell(int ARow, const QRect& Rect) {
    QPainter* canvas = SectionList->Canvas();
    if (!canvas || !CheckSpeedBar() || ARow >= bar_->GetSectionCount())
        return;
    DrawCellText(*canvas, Rect, bar_->GetSection(ARow)->Caption(), Qt::AlignLeft, vaCenter,
                 SectionList->layoutDirection() == Qt::RightToLeft);
}

void TSpeedbarSetupWindow::ButtonsListDrawCell(int ARow, const QRect& Rect) {
    QPainter* canvas = ButtonsList->Canvas();
    const int section = CurrentSection();
    if (!canvas || section < 0 || ARow >= bar_->ItemsCount(section))
        return;
    DrawCellButton(*canvas, Rect, ItemByRow(ARow), image_,
                   ButtonsList->layoutDirection() == Qt::RightToLeft);
}

void TSpeedbarSetupWindow::ButtonsListMouseDown(QPoint Pos) {
    int col = -1, row = -1;
    ButtonsList->MouseToCell(Pos.x(), Pos.y(), col, row);
    // The pressed row becomes the current one first, as a press on the list does.
    if (row >= 0 && row != ButtonsList->Row())
        ButtonsList->SetRow(row);
    TSpeedItem* item = ItemByRow(ButtonsList->Row());
    if (!item || Pos.x() >= bar_->BtnWidth() + 2)
        return;
    dragging_ = true;
    dragCancel_ = new TDragCancel(this, [this] { CancelDrag(); });
    // A button already on the bar cannot be dropped there again.
    if (item->Visible())
        return;
    dragItem_ = item;
    dragItemGone_ = connect(item, &QObject::destroyed, this, [this] { CancelDrag(); });
    if (!drag_) {
        drag_ = new TBtnControl(this);
        drag_->CursorWidget = ButtonsList->viewport();
        drag_->AssignSpeedItem(item);
    }
}

void TSpeedbarSetupWindow::ButtonsListMouseMove(QPoint Pos, Qt::MouseButtons Buttons) {
    if (!dragging_)
        return;
    if (!(Buttons & Qt::LeftButton)) {
        CancelDrag();
        return;
    }
    if (drag_ && dragItem_ && bar_) {
        const QPoint p = ButtonsList->viewport()->mapToGlobal(Pos);
        const QSize size(bar_->BtnWidth(), bar_->BtnHeight());
        drag_->Activate(QRect(p - QPoint(size.width(), size.height()), size));
    } else if (!dragItem_) {
        ButtonsList->viewport()->setCursor(Qt::ForbiddenCursor);
    }
}

void TSpeedbarSetupWindow::ButtonsListMouseUp(QPoint Pos) {
    if (!dragging_)
        return;
    if (!dragItem_ || !drag_ || !bar_) {
        EndDrag();
        return;
    }
    const QPoint p =
        ButtonsList->viewport()->mapToGlobal(Pos) - QPoint(drag_->width(), drag_->height());
    TSpeedItem* item = dragItem_;
    delete drag_;
    drag_ = nullptr;
    if (CheckSpeedBar() && FindSpeedBar(p) == bar_) {
        const QPoint q = bar_->mapFromGlobal(p);
        if (bar_->AcceptDropItem(item, q.x(), q.y()))
            UpdateCurrentSection();
    }
    EndDrag();
}

void TSpeedbarSetupWindow::EndDrag() {
    delete drag_;
    drag_ = nullptr;
    delete dragCancel_;
    dragCancel_ = nullptr;
    disconnect(dragItemGone_);
    dragging_ = false;
    dragItem_ = nullptr;
    ButtonsList->viewport()->unsetCursor();
}

void TSpeedbarSetupWindow::CancelDrag() {
    if (dragging_ || drag_)
        EndDrag();
}

bool TSpeedbarSetupWindow::eventFilter(QObject* watched, QEvent* event) {
    // A column always fills its list, scroll bar or not.
    if (event->type() == QEvent::Resize)
        FitColumns();
    if (watched == ButtonsList->viewport()) {
        auto mouse = [event] { return static_cast<QMouseEvent*>(event); };
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse()->button() == Qt::LeftButton && CheckSpeedBar())
                ButtonsListMouseDown(mouse()->position().toPoint());
            break;
        case QEvent::MouseMove:
            ButtonsListMouseMove(mouse()->position().toPoint(), mouse()->buttons());
            break;
        case QEvent::MouseButtonRelease:
            if (mouse()->button() == Qt::LeftButton)
                ButtonsListMouseUp(mouse()->position().toPoint());
            break;
        case QEvent::UngrabMouse:
            CancelDrag();
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TSpeedbarSetupWindow::event(QEvent* event) {
    if (event->type() != CM_SPEEDBARCHANGED())
        return QDialog::event(event);
    auto* message = static_cast<TSpeedbarChangedEvent*>(event);
    if (!bar_ || message->LParam != bar_)
        return true;
    switch (message->WParam) {
    case sbcLayout:
        UpdateData(CurrentSection());
        break;
    case sbcDestroyed:
        // A dying bar is forgotten first: it is told nothing more.
        bar_ = nullptr;
        CancelDrag();
        close();
        break;
    case sbcButtonSize:
        UpdateListHeight();
        break;
    default:
        break;
    }
    return true;
}

void TSpeedbarSetupWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TSpeedbarSetupWindow::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    QDialog::closeEvent(event);
}

void ShowSpeedbarSetupWindow(TSpeedBar* Speedbar, int HelpCtx) {
    if (!Speedbar)
        return;
    TSpeedbarSetupWindow* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* setup = qobject_cast<TSpeedbarSetupWindow*>(widget);
        if (setup && setup->SpeedBar() == Speedbar)
            window = setup;
    }
    QPointer<TSpeedbarSetupWindow> created;
    try {
        if (!window) {
            created = new TSpeedbarSetupWindow(Speedbar->window());
            window = created;
            // Centred on the screen, not over the window that owns it.
            window->move(Speedbar->screen()->geometry().center() -
                         QPoint(window->width() / 2, window->height() / 2));
            window->SetSpeedBar(Speedbar);
        }
        if (HelpCtx > 0)
            window->HelpContext = HelpCtx;
        window->HelpBtn->setVisible(HelpCtx > 0);
        window->show();
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
    } catch (...) {
        delete created.data();
        throw;
    }
}
