#pragma once
// The program's help: an Italian HTML file shipped with the program, shown in one help window at
// its contents or at the topic of a window's help context.

#include <QString>

class QTextBrowser;
class QWidget;

// The help window, created on first use as a window of its own that belongs to owner.
QTextBrowser* HelpWindow(QWidget* owner);

// Showing the help gives it to the modal dialog open at the time, else to owner's window, so
// that it stands above that window and takes input; newly shown, it is centred over that window
// inside the screen's work area.

// The contents page.
void ShowHelpContents(QWidget* owner);
// The topic of a window's help context; the contents for an unknown one.
void ShowHelpContext(QWidget* owner, int helpContext);
// The anchor of a help context's topic in the help file; empty for the contents.
QString HelpTopic(int helpContext);
