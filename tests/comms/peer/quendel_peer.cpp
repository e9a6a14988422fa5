// A test-only copy of the program: the real windows, offscreen, driven by lines on standard input;
// what the user would see goes to standard output. Boxes are answered from a script of answers.
// "--mime-of FILE" instead prints the file's type as a fresh process sees it.

#include "app/CodMain.h"
#include "app/Quendel.h"
#include "app/RadioGroup.h"
#include "comms/CodNet.h"
#include "comms/CodRicevi.h"
#include "controls/KXSpin.h"
#include "controls/KxRichEdit.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QMimeDatabase>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <unistd.h>

namespace {

std::deque<int> answers;
// "answer hold": the next box stays open, its event loop running, until the line "click".
constexpr int Hold = -1;
QEventLoop* heldBox = nullptr;

void Print(const QString& line) {
    std::printf("%s\n", qPrintable(QString(line).replace(QLatin1Char('\n'), QLatin1String("\\n"))));
    std::fflush(stdout);
}

QStringList LogLines() {
    const TRichEditStrings& lines = FormNet->RichEditMemo->Lines;
    QStringList log;
    for (int i = 0; i < lines.Count(); ++i)
        log << lines[i];
    return log;
}

QString Show() {
    const netplay::TNetProtocol& p = FormNet->Protocol;
    return QStringLiteral("show state=%1 connected=%2 moves=%3 log=%4")
        .arg(p.GameState)
        .arg(p.Connected)
        .arg(FormMain->MoveListLines().join(QLatin1Char('/')))
        .arg(LogLines().join(QLatin1Char('|')));
}

// The process's peak and current resident memory in kB, and the log's size and last line.
QString Stats() {
    QFile status(QStringLiteral("/proc/self/status"));
    QString peak, resident;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QString field = QString::fromLatin1(line).simplified();
            if (field.startsWith(QLatin1String("VmHWM:")))
                peak = field.section(QLatin1Char(' '), 1, 1);
            else if (field.startsWith(QLatin1String("VmRSS:")))
                resident = field.section(QLatin1Char(' '), 1, 1);
        }
    }
    const QStringList log = LogLines();
    return QStringLiteral("stats peak=%1 rss=%2 lines=%3 characters=%4 last=%5")
        .arg(peak, resident)
        .arg(log.size())
        .arg(FormNet->RichEditMemo->GetTextLen())
        .arg(log.isEmpty() ? QString() : log.last().left(80));
}

void Command(const QString& line) {
    const QString word = line.section(QLatin1Char(' '), 0, 0);
    const QString rest = line.section(QLatin1Char(' '), 1);
    TFormNet& net = *FormNet;
    if (word == QLatin1String("nick")) {
        net.EditNickName->setText(rest);
    } else if (word == QLatin1String("server")) {
        net.EditPort->SetValue(0);
        net.BtnStartServer->click();
        Print(QStringLiteral("port %1").arg(net.ServerSocket1->serverPort()));
    } else if (word == QLatin1String("connect")) {
        net.ComboBoxConnection->addItem(QStringLiteral("Server (127.0.0.1:%1)").arg(rest));
        net.ComboBoxConnection->setCurrentIndex(net.ComboBoxConnection->count() - 1);
        net.BtnStartClient->click();
    } else if (word == QLatin1String("say")) {
        net.RichEditSendMessage->SetText(rest);
        net.BtnSendMessage->click();
    } else if (word == QLatin1String("popup")) {
        net.RichEditSendMessage->SetText(rest);
        net.BtnSendPopup->click();
    } else if (word == QLatin1String("match")) {
        net.RadioGroupPezzi->SetItemIndex(rest.startsWith(QLatin1String("white")) ? 0 : 1);
        net.KxSpinEditDurata->SetValue(rest.section(QLatin1Char(' '), 1).toInt());
        net.BtnMatch->click();
    } else if (word == QLatin1String("move")) {
        Print(QStringLiteral("played %1").arg(FormMain->ApplyMoveText(rest)));
    } else if (word == QLatin1String("draw")) {
        net.BtnDraw->click();
    } else if (word == QLatin1String("resign")) {
        net.BtnAbbandona->click();
    } else if (word == QLatin1String("answer")) {
        answers.push_back(rest == QLatin1String("no")     ? platform::IDNO
                          : rest == QLatin1String("hold") ? Hold
                                                          : platform::IDYES);
    } else if (word == QLatin1String("click")) {
        if (heldBox)
            heldBox->quit();
    } else if (word == QLatin1String("settings")) {
        QTimer::singleShot(0, FormMain, [] { FormMain->Impostazioni1Click(); });
    } else if (word == QLatin1String("show")) {
        Print(Show());
    } else if (word == QLatin1String("stats")) {
        Print(Stats());
    } else if (word == QLatin1String("download")) {
        // Headers from a news server on this loopback port, through the download window.
        FormMain->NewsServer = QStringLiteral("127.0.0.1");
        FormMain->NewsPort = rest.toInt();
        FormMain->NewsGroup = QStringLiteral("zeltor.test");
        FormMain->UserName = QStringLiteral("tester");
        FormMain->Password = QStringLiteral("secret");
        FormMain->GetMoveNTTP1Click();
        QTimer::singleShot(0, FormRicevi, [] { FormRicevi->BtnScaricaIntest->click(); });
    } else if (word == QLatin1String("exit")) {
        // The user's way out: the main window's "Esci".
        FormMain->Exit1Click();
    } else if (word == QLatin1String("halt")) {
        // Every event loop ends at once, and no window is closed first.
        QCoreApplication::exit(0);
    } else if (word == QLatin1String("quit")) {
        // What was sent before leaves before the connection closes.
        for (QTcpSocket* socket : net.findChildren<QTcpSocket*>())
            socket->flush();
        FormMain->Modified = false;
        QCoreApplication::quit();
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TQuendelApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--mime-of")) {
        Print(QMimeDatabase().mimeTypeForFile(arguments[2]).name());
        return 0;
    }
    platform::SetMessageBoxHook([](const QString& text, const QString& caption, int flags) {
        Print(QStringLiteral("box %1|%2|%3").arg(text, caption).arg(flags));
        const int ok = (flags & 15) == platform::MB_OK ? platform::IDOK : platform::IDYES;
        if (!answers.empty() && answers.front() == Hold) {
            answers.pop_front();
            QEventLoop loop;
            heldBox = &loop;
            loop.exec();
            heldBox = nullptr;
            Print(QStringLiteral("clicked"));
            return ok;
        }
        if ((flags & 15) == platform::MB_OK)
            return int(platform::IDOK);
        const int answer = answers.empty() ? int(platform::IDYES) : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    });
    platform::SetBeepHook([](int) {});
    // A file dialog nobody answers would wait for ever: it is cancelled.
    platform::SetFileDialogHook([](const platform::TFileDialog&) { return QString(); });
    CreateWindows();
    FormMain->show();
    FormMain->Giocainrete1->trigger();
    QString pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&pending, &input] {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending += QString::fromUtf8(buffer, int(n));
        for (qsizetype end = pending.indexOf(QLatin1Char('\n')); end >= 0;
             end = pending.indexOf(QLatin1Char('\n'))) {
            const QString line = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            Command(line);
        }
    });
    Print(QStringLiteral("ready"));
    const int result = app.exec();
    DestroyWindows();
    return result;
}
