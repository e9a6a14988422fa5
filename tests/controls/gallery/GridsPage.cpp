// The download window's header grid over its splitter and text, and a draw grid with its pick
// list open.
#include "Gallery.h"
#include "controls/Grids.h"
#include "controls/KXSplit.h"
#include "controls/KxDrawGrid.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTimer>

namespace {

const char* const headers[][4] = {
    {"Oggetto", "Autore", "Data", "Righe"},
    {"Partita 12: 14... Cd5", "rossi@example.invalid", "06/12/2026", "18"},
    {"Partita 12: 15. Tc1", "bianchi@example.invalid", "06/12/2026", "17"},
    {"Torneo d'inverno: iscrizioni", "arbitro@example.invalid", "05/12/2026", "42"},
    {"Partita 9: patta?", "verdi@example.invalid", "04/12/2026", "9"},
    {"Partita 12: 13. Ab5", "bianchi@example.invalid", "03/12/2026", "17"},
};

QWidget* NewsPanel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->resize(400, 360);
    auto* grid = new TStringGrid(panel);
    grid->setObjectName("GridHeaders");
    grid->SetColCount(4);
    grid->SetRowCount(6);
    grid->SetFixedCols(0);
    grid->SetDefaultRowHeight(15);
    grid->SetDefaultDrawing(false);
    grid->SetOptions(goFixedVertLine | goFixedHorzLine | goHorzLine | goRowSelect | goColSizing);
    for (int c = 0; c < 4; ++c)
        grid->SetColWidths(c, std::array{150, 130, 70, 40}[c]);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 4; ++c)
            grid->SetCells(c, r, headers[r][c]);
    grid->OnDrawCell = [grid](QObject*, int c, int r, const QRect& rect, TGridDrawState state) {
        QPainter& canvas = *grid->Canvas();
        const bool selected = state & gdSelected;
        canvas.fillRect(rect, state & gdFixed ? QColor(212, 208, 200)
                              : selected      ? QColor(10, 36, 106)
                                              : QColor(Qt::white));
        canvas.setPen(selected ? Qt::white : Qt::black);
        QFont font = canvas.font();
        font.setBold(r == 1);
        canvas.setFont(font);
        canvas.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                        grid->Cells(c, r));
    };
    platform::SetAlign(grid, alTop);
    grid->SetHeight(110);
    auto* splitter = new TKxSplitter(panel);
    splitter->SetAlign(alTop);
    splitter->resize(splitter->width(), 6);
    splitter->SetBevelInner(platform::TCustomPanel::bvLowered);
    auto* text = new QPlainTextEdit(panel);
    text->setPlainText("Partita 12\n\n14... Cd5\n\nIl nero difende il pedone e minaccia "
                       "l'alfiere.\n --- Quendel --- ");
    platform::SetAlign(text, alClient);
    return panel;
}

QWidget* PickListGrid(QWidget* parent) {
    auto* grid = new TKxDrawGrid(parent);
    grid->SetColCount(3);
    grid->SetRowCount(8);
    grid->SetColWidths(1, 120);
    grid->SetOptions(grid->Options() | goEditing);
    auto* cells = new QHash<QPoint, QString>;
    QObject::connect(grid, &QObject::destroyed, [cells] { delete cells; });
    (*cells)[QPoint(1, 1)] = "Bianco";
    (*cells)[QPoint(2, 1)] = "1-0";
    grid->OnGetEditText = [cells](QObject*, int c, int r, QString& v) {
        v = cells->value(QPoint(c, r));
    };
    grid->OnSetEditText = [cells](QObject*, int c, int r, const QString& v) {
        (*cells)[QPoint(c, r)] = v;
    };
    grid->OnDrawCell = [grid, cells](QObject*, int c, int r, const QRect& rect, TGridDrawState) {
        if (r == 0)
            grid->DrawStr(rect, std::array{"", "Colore", "Risultato"}[c], taCenter);
        else if (c == 0)
            grid->DrawStr(rect, QString::number(r), taRightJustify);
        else
            grid->DrawStr(rect, cells->value(QPoint(c, r)), taLeftJustify);
    };
    grid->OnGetEditStyle = [](QObject*, int c, int, TEditStyle& s) {
        s = c == 1 ? esPickList : esEllipsis;
    };
    grid->OnGetPicklist = [](QObject*, int, int, QStringList& list) {
        list = {"Bianco", "Nero", "Patta", "Sospesa"};
    };
    QTimer::singleShot(300, grid, [grid] {
        grid->setFocus();
        grid->SetCol(1);
        grid->SetRow(1);
        grid->ShowEditor();
        if (auto* editor = static_cast<TKxInplaceEdit*>(grid->InplaceEditor()))
            editor->DropDown();
    });
    return grid;
}

class GridsPage : public QWidget {
public:
    GridsPage() {
        auto* layout = new QHBoxLayout(this);
        layout->addWidget(NewsPanel(this), 1);
        layout->addWidget(PickListGrid(this), 1);
    }
};

const bool registered = gallery::AddPage("Grids", [] { return new GridsPage; });

} // namespace
