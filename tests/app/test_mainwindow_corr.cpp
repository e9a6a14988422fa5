#include "MainWindowFixture.h"

#include "ChildProcess.h"
#include "FilePermissionsOfNobody.h"

#include "app/CodInfo.h"
#include "comms/CodConnessione.h"
#include "comms/CodEmail.h"
#include "comms/CodRicevi.h"
#include "comms/CodRivedi.h"
#include "controls/ToolEdit.h"
#include "peers/ScriptedServer.h"
#include "platform/MaskEdit.h"
#include "storage/DateUtil.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

namespace {

class CorrespondenceTest : public MainWindowTest {
protected:
    // A game whose moves go to the news server on the loopback, as "tester".
    void SetUpNewsGame() {
        SetUpGame();
        FormMain->NewsServer = "127.0.0.1";
        FormMain->UserName = "tester";
        FormMain->Password = "secret";
    }
    // Posts the queue in a forked child, which has none of the threads Qt paints with in the
    // parent: it paints nothing.
    static void PostQueueInChild() {
        for (QWidget* window : QApplication::topLevelWidgets())
            window->setUpdatesEnabled(false);
        FormMain->InviamosseaccodateNNTP1Click();
    }
    void SetUpGame() {
        FormMain->MatchCode = "4001";
        FormMain->WhitePlayer = "Nome Cognome (ZT0123)";
        FormMain->BlackPlayer = "Altro Giocatore (ZT0456)";
        FormMain->VexlorArea = "/rubriche/giochi/arena/scacchi";
        FormMain->VexlorFileName = "vexlor.out";
        FormMain->NewsGroup = "zeltor.test";
        FormMain->Signature = "Ciao";
        FormMain->NewSubjectFormat = false;
    }
    static QByteArray Body(const QByteArray& line) {
        return "- - - - - - - - - - - - - - - - - - - -\r\n"
               "Bianchi: Nome Cognome (ZT0123)\r\nNeri   : Altro Giocatore (ZT0456)\r\n"
               "- - - - - - - - - - - - - - - - - - - -\r\n\r\n" +
               line + "\r\n" + line + "\r\n\r\nCiao\r\n\r\n --- Quendel 2.09 --- \r\n";
    }
};

} // namespace

TEST_F(CorrespondenceTest, PrintFileNewestFirstWithEachAnswer) {
    SetUpGame();
    Play({{E2, E4}});
    FormMain->PrintMove1Click();
    const QByteArray first = "vexlor\r\narea /rubriche/giochi/arena/scacchi\r\n"
                             "ogg 4001-  1b Cognome-Giocatore\r\n\r\n" +
                             Body("1b e2-e4");
    EXPECT_EQ(FileBytes("vexlor.out"), first);
    EXPECT_EQ(boxes.back().text, "Mossa stampata nel file vexlor.out");
    EXPECT_EQ(boxes.back().flags, 64);

    Play({{E7, E5}});
    FormMain->NewSubjectFormat = true;
    answers = {platform::IDYES};
    FormMain->PrintMove1Click();
    EXPECT_EQ(boxes[boxes.size() - 2].text, "Il file vexlor.out esiste gia'. Accodare?");
    EXPECT_EQ(boxes[boxes.size() - 2].flags, 35);
    const QByteArray second = "vexlor\r\narea /rubriche/giochi/arena/scacchi\r\n"
                              "ogg 4001-01n[e7-e5]Cog-Gio\r\n\r\n" +
                              Body("1n e7-e5");
    EXPECT_EQ(FileBytes("vexlor.out"), second + first);

    answers = {platform::IDCANCEL};
    FormMain->PrintMove1Click();
    EXPECT_EQ(FileBytes("vexlor.out"), second + first);
    answers = {platform::IDNO};
    FormMain->PrintMove1Click();
    EXPECT_EQ(FileBytes("vexlor.out"), second);
}

TEST_F(CorrespondenceTest, QueueGrowsNewestFirstAndNothingWithoutAMatchCode) {
    Play({{E2, E4}});
    for (auto command : {&TFormMain::PrintMove1Click, &TFormMain::AccodamossaNNTP1Click,
                         &TFormMain::InviamossaviaEmailClick, &TFormMain::SendmoveNTTP1Click}) {
        boxes.clear();
        (FormMain->*command)();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Inserire i dati partita!");
        EXPECT_EQ(boxes[0].caption, "Stampa mosse");
        EXPECT_EQ(boxes[0].flags, 16);
    }
    EXPECT_FALSE(QFile::exists("nntp.out"));
    EXPECT_FALSE(QFile::exists("vexlor.out"));
    EXPECT_TRUE(modalShown.empty());

    SetUpGame();
    FormMain->AccodamossaNNTP1Click();
    Play({{E7, E5}});
    FormMain->AccodamossaNNTP1Click();
    const QByteArray older = "--- NNTP ---\r\nNewsgroups: zeltor.test\r\n"
                             "Subject: 4001-  1b Cognome-Giocatore\r\n"
                             "From: ZT0123@zeltor.invalid\r\n\r\n" +
                             Body("1b e2-e4");
    const QByteArray newer = "--- NNTP ---\r\nNewsgroups: zeltor.test\r\n"
                             "Subject: 4001-  1n Cognome-Giocatore\r\n"
                             "From: ZT0456@zeltor.invalid\r\n\r\n" +
                             Body("1n e7-e5");
    EXPECT_EQ(FileBytes("nntp.out"), newer + older);
    EXPECT_EQ(boxes.back().text, "Mossa stampata");

    // A queue that cannot be written (in a folder that is not there) is reported, nothing
    // confirmed.
    FormMain->NntpQueueFileName = "manca/nntp.out";
    boxes.clear();
    FormMain->AccodamossaNNTP1Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith("Impossibile scrivere il file manca/nntp.out"));
    EXPECT_FALSE(QFileInfo::exists("manca"));
}

// A print file or queue that is there but cannot be read is reported and left as it is: no
// question, nothing written, nothing confirmed, nothing posted.
TEST_F(CorrespondenceTest, AnUnreadableMessageFileIsLeftAlone) {
    SetUpGame();
    Play({{E2, E4}});
    QDir().mkdir("cartella.out");
    WriteFile("chiuso.out", "vexlor\r\nvecchio\r\n");
    QFile::setPermissions("chiuso.out", {});
    // Others may look into the folder, though not into that file.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ExeGroup | QFile::ExeOther);
    // Reading /proc/self/mem from its start fails with an I/O error.
    for (const QString file : {"cartella.out", "/proc/self/mem", "chiuso.out"}) {
        FormMain->VexlorFileName = file;
        FormMain->NntpQueueFileName = file;
        for (auto command : {&TFormMain::PrintMove1Click, &TFormMain::AccodamossaNNTP1Click,
                             &TFormMain::InviamosseaccodateNNTP1Click}) {
            boxes.clear();
            {
                TFilePermissionsOfNobody nobody;
                (FormMain->*command)();
            }
            ASSERT_EQ(boxes.size(), 1u) << file.toStdString();
            EXPECT_TRUE(boxes[0].text.startsWith("Impossibile leggere il file " + file))
                << boxes[0].text.toStdString();
            EXPECT_EQ(boxes[0].flags, 16);
        }
    }
    EXPECT_TRUE(QFileInfo("cartella.out").isDir());
    EXPECT_TRUE(QDir("cartella.out").isEmpty());
    QFile::setPermissions("chiuso.out", QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(FileBytes("chiuso.out"), "vexlor\r\nvecchio\r\n");
    EXPECT_TRUE(modalShown.empty());
}

// Articles posted from the queue leave it only through its rewrite. A queue that cannot be
// rewritten (a read-only folder or file) posts nothing and says why; one whose rewrite fails after
// the posting names the articles that went out though they are still queued.
TEST_F(CorrespondenceTest, TheQueueIsPostedOnlyWhenItCanBeRewritten) {
    ScriptedServer server("200 hi\r\n",
                          {{"STAT", "412 x\r\n"}, {"POST", "340 go\r\n"}, {".\r\n", "240 ok\r\n"}});
    SetUpNewsGame();
    FormMain->NewsPort = server.Port();
    // Group and others alike: "nobody" keeps the superuser's group.
    const QFile::Permissions closed = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    const QFile::Permissions open =
        closed | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    // The folder's and the queue's permissions, changed as their owner.
    const auto allow = [&](QFile::Permissions folder, QFile::Permissions queue) {
        const bool root = ::geteuid() == 0;
        if (root)
            ::setfsuid(0);
        QFile::setPermissions(dir.path(), folder);
        QFile::setPermissions("nntp.out", queue);
        if (root)
            ::setfsuid(65534);
    };
    Play({{E2, E4}});
    FormMain->AccodamossaNNTP1Click();
    Play({{E7, E5}});
    FormMain->AccodamossaNNTP1Click();
    const QByteArray queued = FileBytes("nntp.out");
    ASSERT_EQ(queued.count("--- NNTP ---"), 2) << boxes.back().text.toStdString();

    // A read-only folder, and a disk too full for the queue.
    const auto refused = [&] {
        return boxes.size() == 1 && boxes[0].flags == platform::MB_ICONERROR &&
               boxes[0].text.startsWith("Impossibile scrivere il file nntp.out: ") &&
               boxes[0].text.endsWith("\n\nNessun messaggio inviato.");
    };
    boxes.clear();
    {
        TFilePermissionsOfNobody nobody;
        allow(closed, open);
        FormMain->InviamosseaccodateNNTP1Click();
        allow(open, open);
    }
    EXPECT_TRUE(refused()) << boxes.back().text.toStdString();
    // Were the child to post, it would find no server there and say so instead.
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost));
    FormMain->NewsPort = gone.serverPort();
    gone.close();
    boxes.clear();
    EXPECT_EQ(RunWithFileSizeLimit(100,
                                   [&] {
                                       // A posting from the forked child may never end.
                                       alarm(20);
                                       FormMain->InviamosseaccodateNNTP1Click();
                                       return refused() ? 0 : 1;
                                   }),
              0);
    EXPECT_EQ(FileBytes("nntp.out"), queued);
    EXPECT_EQ(server.Connections(), 0);
    FormMain->NewsPort = server.Port();

    // The folder turns read-only after the queue was found writable, before the posting: while
    // the login is asked.
    const QString twoPosted =
        "Questi 2 messaggi sono stati inviati ma restano nel file nntp.out: toglierli prima del "
        "prossimo invio, che li spedirebbe di nuovo:\n4001-  1n Cognome-Giocatore\n"
        "4001-  1b Cognome-Giocatore";
    const QString onePosted =
        "Questo messaggio e' stato inviato ma resta nel file nntp.out: toglierlo prima del "
        "prossimo invio, che lo spedirebbe di nuovo:\n4001-  1n Cognome-Giocatore";
    FormMain->Password = "";
    modalAnswer = [&](QDialog&) {
        allow(closed, open);
        return int(QDialog::Accepted);
    };
    for (const auto& [queue, sent, text] :
         {std::tuple{queued, "2 messaggi inviati", twoPosted},
          std::tuple{queued.left(queued.indexOf("--- NNTP ---", 1)), "Messaggio inviato",
                     onePosted}}) {
        WriteFile("nntp.out", queue);
        boxes.clear();
        modalShown.clear();
        {
            TFilePermissionsOfNobody nobody;
            allow(open, open);
            FormMain->InviamosseaccodateNNTP1Click();
            allow(open, open);
        }
        EXPECT_EQ(modalShown, std::vector<QString>{"FormPassword"});
        // The failed rewrite is said first: it is what the user must not miss.
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_TRUE(boxes[0].text.startsWith("Impossibile scrivere il file nntp.out: "));
        EXPECT_TRUE(boxes[0].text.endsWith("\n\n" + text)) << boxes[0].text.toStdString();
        EXPECT_EQ(boxes[0].flags, 16);
        EXPECT_EQ(boxes[1].text, sent);
        EXPECT_EQ(FileBytes("nntp.out"), queue);
    }
    EXPECT_EQ(server.Connections(), 2);
}

// The posted articles leave the queue before any box tells of the posting: a program killed while
// the box is open leaves none of them to be posted again.
TEST_F(CorrespondenceTest, PostedArticlesLeaveTheQueueBeforeAnyBox) {
    // The article of the first move ("1b") is refused when its turn comes.
    ScriptedServer server("200 hi\r\n", {{"STAT", "412 x\r\n"},
                                         {"POST", "340 go\r\n"},
                                         {"Subject: 4001-  1b", "441 rifiutato\r\n"},
                                         {".\r\n", "240 ok\r\n"}});
    SetUpNewsGame();
    FormMain->NewsPort = server.Port();
    Play({{E2, E4}});
    FormMain->AccodamossaNNTP1Click();
    const QByteArray refused = FileBytes("nntp.out");
    Play({{E7, E5}, {G1, F3}});
    FormMain->AccodamossaNNTP1Click();
    const QByteArray accepted = FileBytes("nntp.out").left(FileBytes("nntp.out").indexOf(refused));
    Play({{B8, C6}});
    FormMain->AccodamossaNNTP1Click();
    const QByteArray twoAccepted =
        FileBytes("nntp.out").left(FileBytes("nntp.out").indexOf(refused));
    ASSERT_EQ(twoAccepted.count("--- NNTP ---"), 2);

    const struct {
        QByteArray queue;
        QString box;
        QByteArray left;
    } cases[] = {
        {accepted, "Messaggio inviato", ""},
        {twoAccepted, "2 messaggi inviati", ""},
        {accepted + refused, "Invio fallito", refused},
    };
    for (const auto& c : cases) {
        WriteFile("nntp.out", c.queue);
        const TMeasuredRun run = RunMeasured(
            [&] {
                platform::SetMessageBoxHook([&](const QString& text, const QString& caption, int) {
                    if (text == c.box || caption == c.box)
                        ::kill(::getpid(), SIGKILL);
                    return int(platform::IDOK);
                });
                PostQueueInChild();
                return std::string("no box");
            },
            512 * 1024, 30000, [] { QTest::qWait(5); });
        EXPECT_FALSE(run.ended) << c.box.toStdString() << ": " << run.output;
        EXPECT_EQ(FileBytes("nntp.out"), c.left) << c.box.toStdString();
    }
}

// Each article the server accepted leaves the queue before the next one is posted: a program that
// dies in the middle of the queue leaves only the articles still to go.
TEST_F(CorrespondenceTest, AnAcceptedArticleLeavesTheQueueBeforeTheNextIsPosted) {
    SetUpNewsGame();
    Play({{E2, E4}});
    FormMain->AccodamossaNNTP1Click();
    Play({{E7, E5}});
    FormMain->AccodamossaNNTP1Click();
    Play({{G1, F3}});
    FormMain->AccodamossaNNTP1Click();
    // Newest first, as they are posted: 2b, 1n, 1b.
    const QByteArray queue = FileBytes("nntp.out");
    const qsizetype second = queue.indexOf("--- NNTP ---", 1);
    const qsizetype third = queue.indexOf("--- NNTP ---", second + 1);
    ASSERT_GT(third, second);

    const struct {
        std::vector<QByteArray> accepted;
        qsizetype diesAtPost;
        QByteArray left;
    } cases[] = {
        {{"Subject: 4001-  2b"}, 2, queue.mid(second)},
        {{"Subject: 4001-  2b", "Subject: 4001-  1n"}, 3, queue.mid(third)},
    };
    for (const auto& c : cases) {
        // An accepted article is answered as soon as its subject arrives (the client reads the
        // reply after sending it whole); any other gets no answer: the posting hangs there.
        std::vector<ScriptedServer::Rule> rules = {{"STAT", "412 x\r\n"}, {"POST", "340 go\r\n"}};
        for (const QByteArray& subject : c.accepted)
            rules.push_back({subject, "240 ok\r\n"});
        ScriptedServer server("200 hi\r\n", rules);
        FormMain->NewsPort = server.Port();
        WriteFile("nntp.out", queue);
        // The child serves the news itself (this process only waits, so it never takes the
        // child's connection from the listener they share) and dies, as if killed, the moment
        // the next article is asked for. Its files may grow as they like.
        const int exit = RunWithFileSizeLimit(RLIM_INFINITY, [&] {
            alarm(20);
            QTimer dying;
            QObject::connect(&dying, &QTimer::timeout, [&] {
                if (server.Received().count("POST\r\n") == c.diesAtPost)
                    ::kill(::getpid(), SIGKILL);
            });
            dying.start(1);
            PostQueueInChild();
            return 0;
        });
        EXPECT_EQ(exit, -1) << c.diesAtPost;
        EXPECT_EQ(FileBytes("nntp.out"), c.left) << c.diesAtPost;
    }
}

TEST_F(CorrespondenceTest, EmailComposedForEitherMover) {
    SetUpGame();
    Play({{E2, E4}});
    modalAnswer = [](QDialog&) { return int(QDialog::Rejected); };
    FormMain->InviamossaviaEmailClick();
    EXPECT_EQ(modalShown.back(), "FormEmail");
    EXPECT_EQ(FormEmail->EditFrom->text(), "ZT0123@zeltor.invalid");
    EXPECT_EQ(FormEmail->EditTo->text(), "ZT0456@zeltor.invalid");
    EXPECT_EQ(FormEmail->EditCc->text(), "tornei@zeltor.invalid, ZT0123@zeltor.invalid");
    EXPECT_EQ(FormEmail->EditSubject->text(), "4001-  1b Cognome-Giocatore");
    EXPECT_TRUE(
        FormEmail->MemoEmail->toPlainText().endsWith("Ciao\n\n --- Quendel 2.09 via email --- "));

    Play({{E7, E5}});
    FormMain->BlackPlayer = "Senza Indirizzo";
    boxes.clear();
    FormMain->InviamossaviaEmailClick();
    EXPECT_EQ(FormEmail->EditFrom->text(), "");
    EXPECT_EQ(FormEmail->EditTo->text(), "ZT0123@zeltor.invalid");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith("Impossibile trovare email per il giocatore: \n"
                                         "Senza Indirizzo\nPer evitare"));
    EXPECT_EQ(boxes[0].caption, "Quendel");
    EXPECT_EQ(boxes[0].flags, 0);
}

TEST_F(CorrespondenceTest, GameDataInAndOut) {
    FormMain->MatchCode = "12AB";
    FormMain->StartDate = 40000;
    modalAnswer = [](QDialog& d) {
        auto& info = dynamic_cast<TFormInfo&>(d);
        EXPECT_EQ(info.EditMatchName->Text(), "12AB");
        EXPECT_EQ(int(info.EditStartDate->GetDate()), 40000);
        info.EditWhitePlayer->setText("Nome Cognome (ZT0123)");
        info.EditBlackPlayer->setText("Altro Giocatore (ZT0456)");
        info.EditMatchName->SetText("4001");
        info.EditRound->setText("Turno 2");
        info.EditStartDate->SetDate(46000.75);
        return int(QDialog::Accepted);
    };
    FormMain->Modified = false;
    FormMain->Datipartita1Click();
    EXPECT_EQ(FormMain->MatchCode, "4001");
    EXPECT_EQ(FormMain->GameRound, "Turno 2");
    EXPECT_EQ(FormMain->StartDate, 46000);
    EXPECT_TRUE(FormMain->Modified);
    EXPECT_EQ(FormMain->LabelGameInfo->text(), "4001\nCognome-Giocatore");

    modalAnswer = [](QDialog& d) {
        dynamic_cast<TFormInfo&>(d).EditRound->setText("altro");
        return int(QDialog::Rejected);
    };
    FormMain->Datipartita1Click();
    EXPECT_EQ(FormMain->GameRound, "Turno 2");

    // Opened and confirmed as it is, a code that does not fit the mask stays whole.
    for (const QString code : {"ABCD", "Coppa"}) {
        FormMain->MatchCode = code;
        modalAnswer = [](QDialog&) { return int(QDialog::Accepted); };
        FormMain->Datipartita1Click();
        EXPECT_EQ(FormMain->MatchCode, code);
    }
}

TEST_F(CorrespondenceTest, ZeltorCommandsNeedAPlayedMove) {
    SetUpGame();
    // Put the hidden items on the bar as a customised bar would.
    FormMain->SpeedItemNntpQueue->SetVisible(true);
    FormMain->SpeedItemVexlorWrite->SetVisible(true);
    Open(FormMain->Zeltor1);
    EXPECT_FALSE(FormMain->PrintMove1->isEnabled());
    EXPECT_FALSE(FormMain->SpeedItemNntpQueue->Button()->isEnabled());
    EXPECT_TRUE(FormMain->Datipartita1->isEnabled());
    EXPECT_TRUE(FormMain->GetMoveNTTP1->isEnabled());
    Play({{E2, E4}});
    EXPECT_TRUE(FormMain->PrintMove1->isEnabled());
    EXPECT_TRUE(FormMain->SpeedItemNntpQueue->Button()->isEnabled());
    FormMain->Undo1Click();
    EXPECT_FALSE(FormMain->SpeedItemVexlorWrite->Button()->isEnabled());
}

// After every news operation, failed and cancelled ones too, the queue commands answer again.
TEST_F(CorrespondenceTest, QueueCommandsAnswerAfterEveryNewsOperation) {
    ScriptedServer poster("200 hi\r\n", {{"STAT", "412 x\r\n"},
                                         {"POST", "340 go\r\n"},
                                         {".\r\n", "240 ok\r\n"},
                                         {"GROUP", "211 0 1 0 zeltor.test\r\n"}});
    ScriptedServer silent("200 hi\r\n", {{"STAT", "<silent>"}});
    SetUpNewsGame();
    const std::vector<QAction*> queueCommands{FormMain->InviamosseaccodateNNTP1,
                                              FormMain->RivedimosseaccodateNNTP1,
                                              FormMain->SendmoveNTTP1, FormMain->AccodamossaNNTP1};
    const std::vector<TSpeedItem*> queueItems{FormMain->SpeedItemNntpSendQueued,
                                              FormMain->SpeedItemNntpRead};
    for (QAction* item : queueCommands)
        item->setVisible(true);
    const auto answering = [&] {
        return std::all_of(queueCommands.begin(), queueCommands.end(),
                           [](QAction* item) { return item->isEnabled(); }) &&
               std::all_of(queueItems.begin(), queueItems.end(),
                           [](TSpeedItem* item) { return item->Enabled(); });
    };
    const auto anyAnswering = [&] {
        return std::any_of(queueCommands.begin(), queueCommands.end(),
                           [](QAction* item) { return item->isEnabled(); }) ||
               std::any_of(queueItems.begin(), queueItems.end(),
                           [](TSpeedItem* item) { return item->Enabled(); });
    };
    Play({{E2, E4}});
    ASSERT_TRUE(answering());

    // Each operation is watched while it runs, then the commands are looked at.
    bool answeredWhileRunning = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (FormConnessione->Busy())
            answeredWhileRunning = answeredWhileRunning || anyAnswering();
    });
    watch.start(50);
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"posted",
         [&] {
             FormMain->NewsPort = poster.Port();
             FormMain->AccodamossaNNTP1->trigger();
             FormMain->InviamosseaccodateNNTP1->trigger();
             EXPECT_EQ(boxes.back().text, "Messaggio inviato");
         }},
        {"posted again",
         [&] {
             FormMain->AccodamossaNNTP1->trigger();
             FormMain->InviamosseaccodateNNTP1->trigger();
             EXPECT_EQ(boxes.back().text, "Messaggio inviato");
             EXPECT_EQ(FileBytes("nntp.out"), "");
         }},
        {"failed",
         [&] {
             FormMain->NewsPort = 1;
             FormMain->SendmoveNTTP1->trigger();
             EXPECT_EQ(boxes.back().caption, "Invio fallito");
         }},
        {"cancelled",
         [&] {
             FormMain->NewsPort = silent.Port();
             QTimer::singleShot(300, FormConnessione, [] { FormConnessione->BtnAbort->click(); });
             FormMain->SendmoveNTTP1->trigger();
             EXPECT_EQ(boxes.back().text, "Operazione annullata");
         }},
        {"downloaded",
         [&] {
             FormMain->NewsPort = poster.Port();
             FormMain->GetMoveNTTP1->trigger();
             EXPECT_TRUE(FormRicevi->FetchHeaders(false));
         }},
    };
    for (const auto& [name, operation] : operations) {
        operation();
        EXPECT_TRUE(answering()) << name;
    }
    EXPECT_FALSE(answeredWhileRunning);
}

// Nothing to send is said before any connection or login, and no success is shown.
TEST_F(CorrespondenceTest, NothingToSendConnectsNowhere) {
    ScriptedServer server("200 hi\r\n", {{"STAT", "412 x\r\n"}});
    SetUpNewsGame();
    FormMain->NewsPort = server.Port();
    FormMain->Password.clear();
    Play({{E2, E4}});

    WriteFile("nntp.out", "--- NNTP ---\r\n--- NNTP ---\r\n");
    FormMain->InviamosseaccodateNNTP1Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Nessun messaggio da spedire");
    EXPECT_EQ(boxes[0].caption, "Invio mosse accodate");
    EXPECT_EQ(boxes[0].flags, 48);
    EXPECT_EQ(FileBytes("nntp.out"), "--- NNTP ---\r\n--- NNTP ---\r\n");

    for (const QString emptied : {"", "\n  \n\t"}) {
        modalAnswer = [&](QDialog& d) {
            dynamic_cast<TFormRivedi&>(d).Memo1->setPlainText(emptied);
            return int(QDialog::Accepted);
        };
        boxes.clear();
        FormMain->SendmoveNTTP1Click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Nessun messaggio da spedire");
        EXPECT_EQ(boxes[0].caption, "Invio mossa");
        EXPECT_EQ(boxes[0].flags, 48);
    }
    EXPECT_EQ(modalShown, (std::vector<QString>{"FormRivedi", "FormRivedi"}));
    EXPECT_EQ(server.Connections(), 0);
}

// Without the mover's address the article would go without a sender, which a news server refuses
// (after the login): the address is looked up first, with its explaining box.
TEST_F(CorrespondenceTest, NoArticleWithoutTheMoversAddress) {
    ScriptedServer server("200 hi\r\n", {{"STAT", "480 login\r\n"},
                                         {"AUTHINFO USER", "381 pass\r\n"},
                                         {"AUTHINFO PASS", "281 ok\r\n"},
                                         {"POST", "340 go\r\n"},
                                         {".\r\n", "441 Missing required From header field\r\n"}});
    SetUpNewsGame();
    FormMain->NewsPort = server.Port();
    FormMain->Password.clear();
    FormMain->WhitePlayer = "Nome Cognome";
    Play({{E2, E4}});
    for (auto command : {&TFormMain::SendmoveNTTP1Click, &TFormMain::AccodamossaNNTP1Click}) {
        boxes.clear();
        (FormMain->*command)();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.startsWith("Impossibile trovare email per il giocatore: \n"
                                             "Nome Cognome\nPer evitare"));
        EXPECT_EQ(boxes[0].caption, "Quendel");
        EXPECT_EQ(boxes[0].flags, 0);
    }
    EXPECT_TRUE(modalShown.empty());
    EXPECT_FALSE(QFile::exists("nntp.out"));
    EXPECT_EQ(server.Connections(), 0);

    // The opponent's missing address does not matter to a news article.
    Play({{E7, E5}});
    boxes.clear();
    FormMain->AccodamossaNNTP1Click();
    EXPECT_EQ(boxes.back().text, "Mossa stampata");
    EXPECT_TRUE(FileBytes("nntp.out").contains("From: ZT0456@zeltor.invalid\r\n"));
}

TEST_F(CorrespondenceTest, QueuePostedToTheNewsServerAndEmptied) {
    const int port = qEnvironmentVariableIntValue("NNTP_OPEN_PORT");
    if (port == 0)
        GTEST_SKIP() << "no news server: scripts/test starts INN and sets NNTP_OPEN_PORT";
    SetUpNewsGame();
    FormMain->NewsPort = port;
    boxes.clear();
    FormMain->InviamosseaccodateNNTP1Click();
    EXPECT_EQ(boxes.back().text, "Nessun messaggio da spedire");
    EXPECT_EQ(boxes.back().flags, 48);

    Play({{E2, E4}});
    FormMain->AccodamossaNNTP1Click();
    Play({{E7, E5}});
    FormMain->AccodamossaNNTP1Click();
    FormMain->InviamosseaccodateNNTP1Click();
    EXPECT_EQ(boxes.back().text, "2 messaggi inviati");
    EXPECT_EQ(boxes.back().caption, "Invio mossa");
    EXPECT_EQ(FileBytes("nntp.out"), "");

    WriteFile("nntp.out", "--- NNTP ---\r\n");
    FormMain->InviamosseaccodateNNTP1Click();
    EXPECT_EQ(boxes.back().text, "Nessun messaggio da spedire");
    EXPECT_EQ(FileBytes("nntp.out"), "--- NNTP ---\r\n");

    // The queue posted a second time in the session, through the menu.
    FormMain->AccodamossaNNTP1->trigger();
    FormMain->InviamosseaccodateNNTP1->trigger();
    EXPECT_EQ(boxes.back().text, "Messaggio inviato");
    EXPECT_EQ(FileBytes("nntp.out"), "");

    // Blank lines before the first separator and between two, as a review may leave them, are
    // no article of their own: the queue goes and is emptied.
    FormMain->AccodamossaNNTP1Click();
    WriteFile("nntp.out", "\r\n\r\n" + FileBytes("nntp.out") + "--- NNTP ---\r\n \r\n\r\n");
    FormMain->InviamosseaccodateNNTP1Click();
    EXPECT_EQ(boxes.back().text, "Messaggio inviato");
    EXPECT_EQ(boxes.back().caption, "Invio mossa");
    EXPECT_EQ(FileBytes("nntp.out"), "");

    // Posting at once goes through the preview, where the user may edit the article.
    modalAnswer = [](QDialog& d) {
        auto& preview = dynamic_cast<TFormRivedi&>(d);
        EXPECT_EQ(preview.Label1->text(), "Il seguente messaggio sara' inviato:");
        preview.Memo1->setPlainText(preview.Memo1->toPlainText() + "\nP.S. riga aggiunta");
        return int(QDialog::Accepted);
    };
    FormMain->SendmoveNTTP1Click();
    EXPECT_EQ(boxes.back().text, "Messaggio inviato");

    FormMain->NewsPort = 1;
    FormMain->AccodamossaNNTP1Click();
    const QByteArray queued = FileBytes("nntp.out");
    FormMain->InviamosseaccodateNNTP1Click();
    EXPECT_EQ(boxes.back().caption, "Invio fallito");
    EXPECT_EQ(boxes.back().text, "Impossibile connettersi al server 127.0.0.1:1");
    EXPECT_EQ(FileBytes("nntp.out"), queued);
}
