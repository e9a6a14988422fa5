// The main window's correspondence commands: game data, the Vexlor print file, the news queue,
// posting, the download window and e-mail. The messages themselves are built in Correspondence.

#include "app/CodInfo.h"
#include "app/CodMain.h"
#include "app/CodVersione.h"
#include "app/Correspondence.h"
#include "comms/CodConnessione.h"
#include "comms/CodEmail.h"
#include "comms/CodNntpThread.h"
#include "comms/CodRicevi.h"
#include "comms/CodRivedi.h"
#include "controls/SpeedBar.h"
#include "controls/ToolEdit.h"
#include "platform/Dialogs.h"
#include "platform/MaskEdit.h"
#include "platform/MessageBox.h"
#include "platform/SafeWrite.h"
#include "platform/TextLines.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>
#include <cmath>

correspondence::TGameData TFormMain::GameData() const {
    return {MatchCode, WhitePlayer, BlackPlayer, HeaderLine1, HeaderLine2, GameRound};
}

correspondence::TMessageSettings TFormMain::MessageSettings() const {
    return {VexlorArea, NewsGroup, Signature, NewSubjectFormat};
}

std::optional<correspondence::TLastMove> TFormMain::MessageMove() {
    if (MatchCode.isEmpty()) {
        platform::MessageBox(QStringLiteral("Inserire i dati partita!"),
                             QStringLiteral("Stampa mosse"), platform::MB_ICONERROR, this);
        return std::nullopt;
    }
    return correspondence::LastHalfMove(*ChessBoard1);
}

std::optional<QStringList> TFormMain::BuildVexlorMessage() {
    const auto move = MessageMove();
    if (!move)
        return std::nullopt;
    return correspondence::BuildVexlorMessage(GameData(), *move, MessageSettings());
}

std::optional<QStringList> TFormMain::BuildNntpMessage() {
    const auto move = MessageMove();
    if (!move)
        return std::nullopt;
    // A news server refuses an article without its sender: no address, no article.
    if (PlayerEmailAddress(move->WhiteMoved ? WhitePlayer : BlackPlayer).isEmpty())
        return std::nullopt;
    return correspondence::BuildNntpMessage(GameData(), *move, MessageSettings());
}

QString TFormMain::PlayerShortName(const QString& player) const {
    return correspondence::PlayerShortName(player);
}

QString TFormMain::PlayerEmailAddress(const QString& player) {
    const QString address = correspondence::PlayerEmailAddress(player);
    ExplainMissingAddress(address, player);
    return address;
}

void TFormMain::ExplainMissingAddress(const QString& address, const QString& player) {
    if (address.isEmpty())
        platform::MessageBox(correspondence::MissingEmailText(player), AppInfo.Name, 0, this);
}

// A missing message file holds no message; one that exists but cannot be read is reported and
// nothing goes on, so that no write replaces what it holds.
std::optional<QStringList> TFormMain::ReadMessageFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.exists())
        return QStringList();
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray data = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return platform::SplitLines(data);
    }
    platform::ShowError(QStringLiteral("Impossibile leggere il file ") + fileName +
                            QStringLiteral(": ") + file.errorString(),
                        this);
    return std::nullopt;
}

bool TFormMain::WriteMessageFile(const QString& fileName, const QStringList& lines) {
    QString error;
    if (platform::WriteLines(fileName, lines, &error))
        return true;
    platform::ShowError(error, this);
    return false;
}

void TFormMain::PrintMove1Click() {
    const auto message = BuildVexlorMessage();
    if (!message)
        return;
    QStringList lines = *message;
    const auto old = ReadMessageFile(VexlorFileName);
    if (!old)
        return;
    if (!old->isEmpty()) {
        const int answer = platform::MessageBox(
            QStringLiteral("Il file ") + VexlorFileName + QStringLiteral(" esiste gia'. Accodare?"),
            QStringLiteral("Stampa file Vexlor"),
            platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION, this);
        if (answer == platform::IDCANCEL)
            return;
        if (answer == platform::IDYES)
            lines += *old;
    }
    if (WriteMessageFile(VexlorFileName, lines))
        platform::MessageBox(QStringLiteral("Mossa stampata nel file ") + VexlorFileName,
                             QStringLiteral("Stampa file Vexlor"), platform::MB_ICONINFORMATION,
                             this);
}

void TFormMain::AccodamossaNNTP1Click() {
    const auto article = BuildNntpMessage();
    if (!article)
        return;
    const auto old = ReadMessageFile(NntpQueueFileName);
    if (!old)
        return;
    if (WriteMessageFile(NntpQueueFileName, QStringList{NntpSeparator} + *article + *old))
        platform::MessageBox(QStringLiteral("Mossa stampata"), QStringLiteral("Stampa mossa"),
                             platform::MB_ICONINFORMATION, this);
}

void TFormMain::ReviewMessages(const QString& fileName, const QString& separator) {
    FormRivedi->FileName = fileName;
    FormRivedi->Separator = separator;
    if (FormRivedi->LoadMessages() == 0)
        platform::ShowModal(*FormRivedi);
}

void TFormMain::Rivedimossestampate1Click() {
    ReviewMessages(VexlorFileName, QString::fromLatin1(correspondence::VexlorSeparator));
}

void TFormMain::RivedimosseaccodateNNTP1Click() {
    ReviewMessages(NntpQueueFileName, NntpSeparator);
}

void TFormMain::SendmoveNTTP1Click() {
    const auto article = BuildNntpMessage();
    if (!article)
        return;
    FormRivedi->BeginPreview(QStringLiteral("Il seguente messaggio sara' inviato:"), *article);
    const int result = platform::ShowModal(*FormRivedi);
    const QStringList edited = FormRivedi->EndPreview();
    if (result == QDialog::Accepted)
        SendNntpMessages({edited});
}

void TFormMain::InviamosseaccodateNNTP1Click() {
    const auto read = ReadMessageFile(NntpQueueFileName);
    if (!read)
        return;
    const QStringList& lines = *read;
    correspondence::TMessageFile queue(NntpSeparator);
    queue.Split(lines);
    // Blank lines between separators (a review may leave them) are no article: a news server
    // would refuse it, and the queue would never go.
    const QList<QStringList> articles = queue.WithText();
    // A queue of separator lines alone holds nothing to send either.
    if (articles.isEmpty()) {
        platform::MessageBox(QStringLiteral("Nessun messaggio da spedire"),
                             QStringLiteral("Invio mosse accodate"), platform::MB_ICONWARNING,
                             this);
        return;
    }
    // Posted articles leave the queue only through its rewrite, and one that failed after the
    // posting would have them posted again next time: nothing goes unless it can be rewritten.
    QString error;
    if (!platform::CanWriteLines(NntpQueueFileName, lines, &error)) {
        platform::ShowError(error + QStringLiteral("\n\nNessun messaggio inviato."), this);
        return;
    }
    // Each accepted article leaves the queue before the next one is posted: a program that dies
    // in the middle of the queue leaves none of them to be posted twice. The rewrites run in the
    // news worker on this function's own copies, which the GUI thread leaves alone meanwhile.
    const QString queueFile = NntpQueueFileName;
    int recorded = 0; // the accepted articles the queue no longer holds
    QString firstError;
    SendNntpMessages(articles, [&lines, &articles, &recorded, &firstError, queueFile](int posted) {
        QString rewriteError;
        if (platform::WriteLines(queueFile, correspondence::QueueAfterPosting(lines, posted),
                                 &rewriteError)) {
            recorded = posted;
            firstError.clear();
            return QString();
        }
        if (firstError.isEmpty())
            firstError = rewriteError;
        return firstError + QStringLiteral("\n\n") +
               correspondence::PostedButQueuedText(articles.mid(recorded, posted - recorded),
                                                   queueFile);
    });
}

int TFormMain::SendNntpMessages(const QList<QStringList>& articles,
                                const std::function<QString(int posted)>& recordPosted) {
    if (FormConnessione->Busy())
        return 1;
    // Nothing to send (an article emptied in the preview) is said before any connection.
    if (std::none_of(articles.begin(), articles.end(), correspondence::HasText)) {
        platform::MessageBox(QStringLiteral("Nessun messaggio da spedire"),
                             QStringLiteral("Invio mossa"), platform::MB_ICONWARNING, this);
        return 1;
    }
    QString user = UserName;
    QString password = Password;
    if (!AskNntpLogin(user, password, this))
        return 1;
    TNntpThread thread;
    thread.UserName = user;
    thread.Password = password;
    thread.Host = NewsServer;
    thread.Port = NewsPort;
    thread.Operation = opPost;
    thread.Messages = articles;
    QString recordError;
    if (recordPosted)
        thread.OnPosted = [&](int posted) { recordError = recordPosted(posted); };
    FormConnessione->Run(thread);
    // The worker has been joined: what it recorded is this thread's to read.
    if (!recordError.isEmpty())
        platform::ShowError(recordError, this);
    if (thread.OpResult == 0)
        platform::MessageBox(thread.DoneCount < 2
                                 ? QStringLiteral("Messaggio inviato")
                                 : QStringLiteral("%1 messaggi inviati").arg(thread.DoneCount),
                             QStringLiteral("Invio mossa"), platform::MB_ICONINFORMATION, this);
    else
        platform::MessageBox(thread.ErrorText, QStringLiteral("Invio fallito"),
                             platform::MB_ICONERROR, this);
    return thread.OpResult;
}

void TFormMain::GetMoveNTTP1Click() {
    FormRicevi->UserName = UserName;
    FormRicevi->Password = Password;
    FormRicevi->Host = NewsServer;
    FormRicevi->NewsGroup = NewsGroup;
    FormRicevi->Port = NewsPort;
    FormRicevi->show();
    FormRicevi->raise();
}

void TFormMain::InviamossaviaEmailClick() {
    const auto move = MessageMove();
    if (!move)
        return;
    const correspondence::TEmail mail =
        correspondence::BuildEmail(GameData(), *move, MessageSettings());
    // A missing address is explained once per player; the copy reuses the sender's.
    ExplainMissingAddress(mail.From, move->WhiteMoved ? WhitePlayer : BlackPlayer);
    ExplainMissingAddress(mail.To, move->WhiteMoved ? BlackPlayer : WhitePlayer);
    FormEmail->EditFrom->setText(mail.From);
    FormEmail->EditTo->setText(mail.To);
    FormEmail->EditCc->setText(mail.Cc);
    FormEmail->EditSubject->setText(mail.Subject);
    FormEmail->MemoEmail->setPlainText(mail.Body.join(QLatin1Char('\n')));
    platform::ShowModal(*FormEmail);
}

void TFormMain::Datipartita1Click() {
    FormInfo->EditWhitePlayer->setText(WhitePlayer);
    FormInfo->EditBlackPlayer->setText(BlackPlayer);
    FormInfo->SetMatchCode(MatchCode);
    FormInfo->EditLine1->setText(HeaderLine1);
    FormInfo->EditLine2->setText(HeaderLine2);
    FormInfo->EditRound->setText(GameRound);
    FormInfo->EditInfo->setText(GameInfo);
    FormInfo->EditStartDate->SetDate(StartDate);
    if (platform::ShowModal(*FormInfo) != QDialog::Accepted)
        return;
    WhitePlayer = FormInfo->EditWhitePlayer->text();
    BlackPlayer = FormInfo->EditBlackPlayer->text();
    MatchCode = FormInfo->MatchCode();
    HeaderLine1 = FormInfo->EditLine1->text();
    HeaderLine2 = FormInfo->EditLine2->text();
    GameRound = FormInfo->EditRound->text();
    GameInfo = FormInfo->EditInfo->text();
    StartDate = static_cast<int>(std::floor(FormInfo->EditStartDate->GetDate()));
    UpdateGameInfo();
    Modified = true;
}

void TFormMain::CreateCorrespondenceCommands() {
    const std::pair<QAction*, void (TFormMain::*)()> commands[] = {
        {Datipartita1, &TFormMain::Datipartita1Click},
        {PrintMove1, &TFormMain::PrintMove1Click},
        {Rivedimossestampate1, &TFormMain::Rivedimossestampate1Click},
        {SendmoveNTTP1, &TFormMain::SendmoveNTTP1Click},
        {AccodamossaNNTP1, &TFormMain::AccodamossaNNTP1Click},
        {RivedimosseaccodateNNTP1, &TFormMain::RivedimosseaccodateNNTP1Click},
        {InviamosseaccodateNNTP1, &TFormMain::InviamosseaccodateNNTP1Click},
        {GetMoveNTTP1, &TFormMain::GetMoveNTTP1Click},
        {InviamossaviaEmail, &TFormMain::InviamossaviaEmailClick},
    };
    for (const auto& [item, handler] : commands)
        BindCommand(item, [this, handler = handler] { (this->*handler)(); });
    const std::pair<TSpeedItem*, void (TFormMain::*)()> speedItems[] = {
        {SpeedItemVexlorWrite, &TFormMain::PrintMove1Click},
        {SpeedItemVexlorRead, &TFormMain::Rivedimossestampate1Click},
        {SpeedItemNntpSendNow, &TFormMain::SendmoveNTTP1Click},
        {SpeedItemNntpQueue, &TFormMain::AccodamossaNNTP1Click},
        {SpeedItemNntpRead, &TFormMain::RivedimosseaccodateNNTP1Click},
        {SpeedItemNntpSendQueued, &TFormMain::InviamosseaccodateNNTP1Click},
        {SpeedItemNntpGet, &TFormMain::GetMoveNTTP1Click},
        {SpeedItem1, &TFormMain::InviamossaviaEmailClick},
    };
    for (const auto& [item, handler] : speedItems)
        BindCommand(item, [this, handler = handler] { (this->*handler)(); });
}

void TFormMain::UpdateCorrespondenceCommands() {
    const bool movePlayed = !(ChessBoard1->CurrentMove() == 1 && ChessBoard1->WhiteToMove());
    // One news operation at a time; when it ends, failed or cancelled too, they answer again.
    const bool idle = !FormConnessione || !FormConnessione->Busy();
    SetCommandEnabled(PrintMove1, movePlayed);
    SetCommandEnabled(SpeedItemVexlorWrite, movePlayed);
    for (QAction* item : {SendmoveNTTP1, AccodamossaNNTP1})
        SetCommandEnabled(item, movePlayed && idle);
    for (TSpeedItem* item : {SpeedItemNntpSendNow, SpeedItemNntpQueue})
        SetCommandEnabled(item, movePlayed && idle);
    for (QAction* item : {RivedimosseaccodateNNTP1, InviamosseaccodateNNTP1})
        SetCommandEnabled(item, idle);
    for (TSpeedItem* item : {SpeedItemNntpRead, SpeedItemNntpSendQueued})
        SetCommandEnabled(item, idle);
}
