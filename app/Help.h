#pragma once
// The program's help: an Italian HTML file shipped with the program, shown in one help window at
// its contents or at the topic of a window's help context.

#include <QString>

class QTextBrowser;
class QWidget;

// The help window, created on first use as a window of its own that belongs to owner.
QTextBrowser* HelpWindow(QWidget* owner);

// The contents page.
void ShowHelpContents(QWidget* owner);
// The topic of a window's help context; the contents for an unknown one.
void ShowHelpContext(QWidget* owner, int helpContext);
// The anchor of a help context's topic in the help file; empty for the contents.
QString HelpTopic(int helpContext);
