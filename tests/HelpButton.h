#pragma once
// The "&Help" button a dialog of ours adds, and where it sits in the dialog's grid.

#include <QDialog>
#include <QGridLayout>
#include <QPushButton>

// Null when the dialog has none; `atLeft` tells whether it sits at the grid's left margin.
inline QPushButton* HelpButton(QDialog& dialog, bool& atLeft) {
    auto* help = dialog.findChild<QPushButton*>("HelpButton");
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    int row = -1, column = -1, rows = 0, columns = 0;
    if (help && grid)
        grid->getItemPosition(grid->indexOf(help), &row, &column, &rows, &columns);
    atLeft = column == 0;
    return help;
}
