#pragma once
// The program's start: the application object, the splash, the windows as global singletons in
// their order, the game named on the command line, and the message loop.

#include <QApplication>
#include <functional>

// Shows an exception that escaped an event handler instead of letting it unwind through Qt.
class TQuendelApplication : public QApplication {
    Q_OBJECT
public:
    TQuendelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Installs Qt's Italian texts for the standard buttons and dialogs; false when they are missing.
bool LoadItalianTranslation();

class TFormCaptured;
extern TFormCaptured* FormCaptured;

// Sets the application's title, creates the about box and the windows in their order.
void CreateWindows();
// Deletes the windows, the main window last, before the application object goes.
void DestroyWindows();

// Shows the main window, then the about box for two seconds with the main window painted and
// user input held back.
void ShowMainWindowWithSplash();
// How the splash waits; tests replace the two seconds.
using SplashWaitHook = std::function<void(int milliseconds)>;
SplashWaitHook SetSplashWaitHook(SplashWaitHook hook);

// Loads the game file that the first argument names, once the windows exist and are shown.
void LoadCommandLineGame(const QStringList& arguments);

// The whole start-up and the message loop; returns the program's exit code.
int RunQuendel(QApplication& app);
