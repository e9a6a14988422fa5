// A check list box in each of its kinds, a text list box and the scrolling panel.
#include "Gallery.h"
#include "controls/KXCtrlsLists.h"
#include "controls/KXCtrlsSecret.h"

#include <QGridLayout>

namespace {

TKxCheckListBox* CheckList(QWidget* parent, TCheckKind kind) {
    auto* list = new TKxCheckListBox(parent);
    list->Items()->Assign(
        {"Suoni", "Animazioni", "Coordinate", "Mostra mosse", "Pezzi catturati", "Orologio"});
    list->SetCheckKind(kind);
    list->SetAllowGrayed(true);
    list->SetState(1, cbChecked);
    list->SetState(2, kind == ckRadioButtons ? cbUnchecked : cbGrayed);
    list->SetState(4, cbChecked);
    list->SetItemEnabled(5, false);
    list->SetItemIndex(3);
    return list;
}

class ListsPage : public QWidget {
public:
    ListsPage() {
        auto* layout = new QGridLayout(this);
        layout->addWidget(CheckList(this, ckCheckBoxes), 0, 0);
        layout->addWidget(CheckList(this, ckRadioButtons), 0, 1);
        layout->addWidget(CheckList(this, ckCheckMarks), 0, 2);
        auto* text = new TTextListBox(this);
        text->Items()->Assign({"1. e4 e5", "2. Cf3 Cc6", "3. Ab5 a6",
                               "4. Aa4 Cf6 5. O-O Ae7 6. Te1 b5 7. Ab3 d6 8. c3 O-O 9. h3"});
        text->SetItemIndex(1);
        layout->addWidget(text, 1, 0);
        auto* panel = new TSecretPanel(this);
        panel->SetLines({"", "Quendel", "", "gioca a scacchi", "per posta e in rete", "",
                         "buon divertimento!"});
        panel->SetCycled(true);
        panel->Play();
        for (int i = 0; i < 60; ++i)
            panel->TimerExpired();
        layout->addWidget(panel, 1, 1, 1, 2);
    }
};

const bool registered = gallery::AddPage("Lists", [] { return new ListsPage; });

} // namespace
