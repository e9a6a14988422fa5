// The main window's side of the TCP play window.

#include "app/CodMain.h"

void TFormMain::Giocainrete1Click() {
    if (NetPlayWindow.ShowFromMain)
        NetPlayWindow.ShowFromMain(this);
}
