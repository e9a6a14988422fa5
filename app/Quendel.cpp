#include "app/Quendel.h"

#include "app/CodCaptured.h"
#include "app/CodImpostazioni.h"
#include "app/CodInfo.h"
#include "app/CodMain.h"
#include "app/CodPromotion.h"
#include "app/CodVersione.h"
#include "app/FormPGN.h"
#include "app/Help.h"
#include "app/about.h"
#include "comms/CodConnessione.h"
#include "comms/CodEmail.h"
#include "comms/CodNet.h"
#include "comms/CodNewConnection.h"
#include "comms/CodNewSMTPServer.h"
#include "comms/CodPassword.h"
#include "comms/CodRicevi.h"
#include "comms/CodRivedi.h"
#include "platform/ExceptionDisplay.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "storage/StoredForm.h"

#include <QEventLoop>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

TFormCaptured* FormCaptured = nullptr;

namespace {

constexpr int SplashMilliseconds = 2000;

void waitHoldingInput(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

SplashWaitHook& splashWait() {
    static SplashWaitHook hook;
    return hook;
}

void ConnectCapturedPieces() {
    TFormCaptured* window = FormCaptured;
    CapturedPiecesWindow.AddPiece = [window](char letter) { window->AddPiece(letter); };
    CapturedPiecesWindow.RemovePiece = [window](char letter) { window->RemovePiece(letter); };
    CapturedPiecesWindow.ClearPieces = [window] { window->ClearPieces(); };
    CapturedPiecesWindow.DrawPieces = [window] { window->DrawPieces(); };
    CapturedPiecesWindow.ShowFromMain = [window](QWidget* main) { window->ShowFromMain(main); };
    CapturedPiecesWindow.FollowMain = [window](const QRect& frame) { window->FollowMain(frame); };
}

void ConnectNetPlay() {
    TFormNet* window = FormNet;
    NetPlayWindow.SendMove = [window](const QString& text) { window->SendMove(text); };
    NetPlayWindow.EndGame = [window] { window->EndGame(); };
    NetPlayWindow.SetGameResult = [window](int result) {
        window->Protocol.GameResult = static_cast<unsigned char>(result);
    };
    NetPlayWindow.ShowFromMain = [window](QWidget* main) { window->ShowFromMain(main); };
    NetPlayWindow.FollowMain = [window](const QRect& frame) { window->FollowMain(frame); };
    TFormMain* main = FormMain;
    window->Main.StartNetworkGame = [main](const QString& white, const QString& black,
                                           bool localIsWhite) {
        return main->StartNetworkGame(white, black, localIsWhite);
    };
    window->Main.EndNetworkGame = [main] { main->EndNetworkGame(); };
    window->Main.ShowTimeout = [main](bool whiteFlagged) { main->ShowTimeout(whiteFlagged); };
    window->Main.ApplyMoveText = [main](const QString& text) { return main->ApplyMoveText(text); };
    window->Main.NetworkGame = [main] { return main->NetworkGame; };
}

// The exit saves every other window as its destruction would, within the main window's close:
// the settings file is written once with all of them, or refused once.
void SaveWindowsAtExit() {
    for (TFormPlacement* store : FormMain->findChildren<TFormPlacement*>())
        if (store->parent() != FormMain)
            store->FormDestroy();
}

} // namespace

TQuendelApplication::TQuendelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TQuendelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        platform::ShowException(std::current_exception());
        return false;
    }
}

bool LoadItalianTranslation() {
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral("qtbase_it"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void CreateWindows() {
    QCoreApplication::setApplicationName(AppInfo.Name);
    AboutBox = new TAboutBox;
    FormMain = new TStoredForm<TFormMain>;
    QObject::connect(FormMain, &TFormMain::Closed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(FormMain, &TFormMain::Closed, FormMain, SaveWindowsAtExit);
    FormConnessione = new TFormConnessione(FormMain);
    FormImpostazioni = new TStoredForm<TFormImpostazioni>(FormMain);
    FormInfo = new TFormInfo(FormMain);
    FormPassword = new TFormPassword(FormMain);
    FormPromotion = new TFormPromotion(FormMain);
    FormRicevi = new TStoredForm<TFormRicevi>(FormMain);
    FormRivedi = new TStoredForm<TFormRivedi>(FormMain);
    FormPGN = new TStoredForm<TFormPGN>(FormMain);
    // Side windows of the main window: they stay with it and are minimised with it.
    FormNet = new TStoredForm<TFormNet>(FormMain);
    FormNewConnection = new TFormNewConnection(FormNet);
    FormCaptured = new TFormCaptured(FormMain);
    FormEmail = new TStoredForm<TFormEmail>(FormMain);
    FormNewSMTP = new TFormNewSMTP(FormEmail);
    ConnectCapturedPieces();
    ConnectNetPlay();
    QObject::connect(FormConnessione, &TFormConnessione::BusyChanged, FormMain,
                     &TFormMain::UpdateCommandStates);
    QObject::connect(FormConnessione, &TFormConnessione::BusyChanged, FormRicevi,
                     &TFormRicevi::UpdateButtons);
}

void DestroyWindows() {
    CapturedPiecesWindow = {};
    delete FormEmail; // with its server dialog
    FormEmail = nullptr;
    FormNewSMTP = nullptr;
    delete FormCaptured;
    FormCaptured = nullptr;
    NetPlayWindow = {};
    delete FormNewConnection;
    FormNewConnection = nullptr;
    delete FormNet;
    FormNet = nullptr;
    delete FormPGN;
    FormPGN = nullptr;
    delete FormRivedi;
    FormRivedi = nullptr;
    delete FormRicevi;
    FormRicevi = nullptr;
    delete FormPromotion;
    FormPromotion = nullptr;
    delete FormPassword;
    FormPassword = nullptr;
    delete FormInfo;
    FormInfo = nullptr;
    delete FormImpostazioni;
    FormImpostazioni = nullptr;
    delete FormConnessione;
    FormConnessione = nullptr;
    delete FormMain;
    FormMain = nullptr;
    delete AboutBox;
    AboutBox = nullptr;
}

SplashWaitHook SetSplashWaitHook(SplashWaitHook hook) {
    return std::exchange(splashWait(), std::move(hook));
}

void ShowMainWindowWithSplash() {
    FormMain->show();
    QCoreApplication::processEvents();
    ShowAbout(false);
    QCoreApplication::processEvents();
    if (splashWait())
        splashWait()(SplashMilliseconds);
    else
        waitHoldingInput(SplashMilliseconds);
    AboutBox->close();
}

void LoadCommandLineGame(const QStringList& arguments) {
    if (arguments.size() > 1)
        FormMain->LoadGameFile(arguments.at(1));
}

int RunQuendel(QApplication& app) {
    int result = 0;
    try {
        LoadItalianTranslation();
        platform::SetHelpHook(ShowHelpContext);
        CreateWindows();
        ShowMainWindowWithSplash();
        LoadCommandLineGame(QCoreApplication::arguments());
        result = app.exec();
    } catch (...) {
        platform::ShowException(std::current_exception());
    }
    DestroyWindows();
    return result;
}
