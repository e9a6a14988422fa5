#include "comms/CodEmail.h"
#include "comms/CodNewSMTPServer.h"
#include "controls/KXSpin.h"
#include "peers/SmtpPeer.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "storage/StoredForm.h"

#include <QAction>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class EmailTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString previousFolder = QDir::currentPath();
    std::vector<QString> boxes;
    platform::MessageBoxHook oldBox;
    platform::ShowModalHook oldModal;
    std::unique_ptr<TStoredForm<TFormEmail>> window;

    void SetUp() override {
        QDir::setCurrent(dir.path());
        oldBox = platform::SetMessageBoxHook([this](const QString& t, const QString& c, int f) {
            boxes.push_back(QString("%1|%2|%3").arg(t, c).arg(f));
            return int(platform::IDOK);
        });
        window = std::make_unique<TStoredForm<TFormEmail>>();
        FormNewSMTP = new TFormNewSMTP(window.get());
        window->show();
        Fill();
    }
    void TearDown() override {
        window.reset();
        FormNewSMTP = nullptr;
        platform::SetMessageBoxHook(oldBox);
        QDir::setCurrent(previousFolder);
    }

    void Fill() {
        window->EditFrom->setText("ZT0123@zeltor.invalid");
        window->EditTo->setText("ZT0456@zeltor.invalid");
        window->EditCc->setText("tornei@zeltor.invalid, ZT0123@zeltor.invalid");
        window->EditSubject->setText(QString::fromUtf8("4001-01b[e2-e4]Cog-Gio città"));
        window->MemoEmail->setPlainText(
            QString::fromUtf8("- - -\n1b e2-e4\n1b e2-e4\n.\n.punto\nSaluti, Niccolò\n"));
    }
    void Choose(const QString& entry) {
        window->cbSMTP->addItem(entry);
        window->cbSMTP->SetItemIndex(window->cbSMTP->count() - 1);
    }
    bool WaitForBox() {
        return QTest::qWaitFor([&] { return !boxes.empty(); }, 20000);
    }
};

} // namespace

TEST_F(EmailTest, SentThroughTheServerAndTheWindowCloses) {
    SmtpPeer peer;
    Choose(QString("Prova (127.0.0.1:%1)").arg(peer.Port()));
    window->BtnOk->click();
    window->BtnOk->click(); // a second click sends nothing more
    ASSERT_TRUE(WaitForBox());
    EXPECT_EQ(boxes, std::vector<QString>{"Email inviata con successo|Invia mossa via email|0"});
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    const QList<QByteArray> messages = peer.Messages();
    ASSERT_EQ(messages.size(), 1);
    const QByteArray& stored = messages[0];
    EXPECT_TRUE(stored.contains("X-Rcpt-To: <tornei@zeltor.invalid>\r\n"));
    EXPECT_TRUE(stored.contains("\r\nCc: tornei@zeltor.invalid, ZT0123@zeltor.invalid\r\n"));
    EXPECT_TRUE(stored.contains("\r\nX-Mailer: Quendel 2.09\r\n"));
    EXPECT_TRUE(stored.contains("Subject: =?ISO-8859-1?Q?4001-01b=5Be2-e4=5DCog-Gio_citt=E0?="));
    EXPECT_TRUE(stored.endsWith("\r\n\r\n- - -\r\n1b e2-e4\r\n1b e2-e4\r\n.\r\n.punto\r\n"
                                "Saluti, Niccol=F2\r\n"));
}

TEST_F(EmailTest, FailuresKeepTheWindowAndItsFields) {
    SmtpPeer refusing({"--reject", "^ZT0456@"});
    SmtpPeer dropping({"--drop", "^ZT0123@"});
    SmtpPeer loginFirst({"--auth-required"});
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const int closedPort = closed.serverPort();
    closed.close();
    struct Case {
        QString entry;
        QString from, to;
        QString box;
    };
    const Case cases[] = {
        {QString("R (127.0.0.1:%1)").arg(refusing.Port()), "", "", "Recipient not found"},
        {QString("D (127.0.0.1:%1)").arg(dropping.Port()), "", "", "Errore nell'invio della email"},
        {QString("C (127.0.0.1:%1)").arg(closedPort), "", "", "Connection failed"},
        {QString("A (127.0.0.1:%1)").arg(loginFirst.Port()), "", "", "Authentication Failed"},
        {"U (smtp.nowhere.invalid:25)", "", "", "Invalid host"},
        {QString("F (127.0.0.1:%1)").arg(refusing.Port()), " ", "", "Missing From address"},
        {QString("T (127.0.0.1:%1)").arg(refusing.Port()), "", ";", "Missing To address"},
    };
    for (const Case& c : cases) {
        Fill();
        if (!c.from.isEmpty())
            window->EditFrom->setText(c.from);
        if (!c.to.isEmpty())
            window->EditTo->setText(c.to);
        const QString body = window->MemoEmail->toPlainText();
        Choose(c.entry);
        boxes.clear();
        window->BtnOk->click();
        ASSERT_TRUE(WaitForBox()) << c.entry.toStdString();
        EXPECT_EQ(boxes[0], c.box + "|Invia mossa via email|16") << c.entry.toStdString();
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->BtnOk->isEnabled());
        EXPECT_EQ(window->MemoEmail->toPlainText(), body);
    }
    EXPECT_TRUE(refusing.Messages().isEmpty());
    EXPECT_TRUE(dropping.Messages().isEmpty());

    boxes.clear();
    Choose("senza porta");
    window->BtnOk->click();
    EXPECT_EQ(boxes,
              std::vector<QString>{"Server SMTP non valido: senza porta|Invia mossa via email|16"});
    window->cbSMTP->setCurrentIndex(-1);
    boxes.clear();
    window->BtnOk->click();
    EXPECT_EQ(boxes,
              std::vector<QString>{"Specificare il server da usare (esempio: "
                                   "smtp.zeltor.invalid porta 25)|Invia mossa via email|16"});
    boxes.clear();
    window->BtnAnnulla->click();
    EXPECT_EQ(boxes, std::vector<QString>{"Invio annullato|Invia mossa via email|0"});
    EXPECT_EQ(window->result(), QDialog::Rejected);
}

// A send that the server never answers ends as soon as the user cancels it or closes the window:
// one box at most, the connection dropped without QUIT, and the next send goes through.
TEST_F(EmailTest, CancellingOrClosingDuringASendWaitsForNothing) {
    SmtpPeer stalling({"--stall-data"});
    SmtpPeer working;
    for (const bool byButton : {true, false}) {
        window->show();
        boxes.clear();
        const qsizetype before = stalling.Events().size();
        Choose(QString("Lento (127.0.0.1:%1)").arg(stalling.Port()));
        window->BtnOk->click();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return stalling.Events().mid(before).contains("DATA"); }, 20000));
        if (byButton)
            window->BtnAnnulla->click();
        else
            window->close();
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->result(), QDialog::Rejected);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return stalling.Events().mid(before).contains("LOST"); }, 20000));
        QCoreApplication::processEvents();
        EXPECT_FALSE(stalling.Events().mid(before).contains("QUIT"));
        EXPECT_EQ(boxes, byButton ? std::vector<QString>{"Invio annullato|Invia mossa via email|0"}
                                  : std::vector<QString>{});
        EXPECT_TRUE(window->BtnOk->isEnabled());
    }
    window->show();
    boxes.clear();
    Choose(QString("Prova (127.0.0.1:%1)").arg(working.Port()));
    window->BtnOk->click();
    ASSERT_TRUE(WaitForBox());
    EXPECT_EQ(boxes, std::vector<QString>{"Email inviata con successo|Invia mossa via email|0"});
    EXPECT_EQ(working.Messages().size(), 1);
}

// A server that never answers QUIT holds up neither the outcome nor the end of the program.
TEST_F(EmailTest, AServerSilentOnQuitHoldsNothingUp) {
    SmtpPeer silent({"--silent-quit"});
    Choose(QString("Muto (127.0.0.1:%1)").arg(silent.Port()));
    window->BtnOk->click();
    ASSERT_TRUE(WaitForBox());
    EXPECT_EQ(boxes, std::vector<QString>{"Email inviata con successo|Invia mossa via email|0"});
    EXPECT_EQ(silent.Messages().size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return silent.Events().contains("QUIT"); }, 20000));
    window.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return silent.Events().contains("LOST"); }, 20000));
}

// The component can carry attachments; the window sends none of its own, and says when one
// given to the component cannot be read, or why the component refused them all.
TEST_F(EmailTest, AttachmentsThatCannotGoAreTold) {
    SmtpPeer peer;
    QFile game(dir.filePath("partita.pgn"));
    ASSERT_TRUE(game.open(QIODevice::WriteOnly) && game.write("1. e4 *\n") == 8);
    QFile big(dir.filePath("grande.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(smtp::MaxAttachmentBytes + 1));
    struct Case {
        QStringList attachments;
        QString box;
    };
    const Case cases[] = {
        {{dir.filePath("manca.pgn")}, "Attachment not found"},
        {QStringList(smtp::MaxAttachments + 1, game.fileName()),
         "Errore nell'invio della email: troppi allegati (al massimo 32)"},
        {{big.fileName()},
         "Errore nell'invio della email: allegati troppo grandi (al massimo 10 MB in tutto)"},
    };
    for (const Case& c : cases) {
        window->NMSMTP1->Host = "127.0.0.1";
        window->NMSMTP1->Port = peer.Port();
        smtp::TMailMessage& mail = window->NMSMTP1->PostMessage;
        mail.From = "ZT0123@zeltor.invalid";
        mail.To = "ZT0456@zeltor.invalid";
        mail.Attachments = c.attachments;
        boxes.clear();
        ASSERT_TRUE(window->NMSMTP1->SendMail());
        ASSERT_TRUE(WaitForBox()) << c.box.toStdString();
        EXPECT_EQ(boxes, std::vector<QString>{c.box + "|Invia mossa via email|16"});
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_TRUE(peer.Events().isEmpty()) << "no connection was made";

    boxes.clear();
    Choose(QString("Prova (127.0.0.1:%1)").arg(peer.Port()));
    window->BtnOk->click();
    ASSERT_TRUE(WaitForBox());
    EXPECT_EQ(boxes, std::vector<QString>{"Email inviata con successo|Invia mossa via email|0"});
    const QList<QByteArray> messages = peer.Messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("\r\nContent-Type: text/plain; charset=ISO-8859-1\r\n"));
    EXPECT_FALSE(messages[0].contains("multipart"));
}

TEST_F(EmailTest, TheMailProgramGetsTheExactFields) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("mailto", &catcher, "open");
    window->EditTo->setText("a&b@x.invalid");
    window->EditCc->setText("c#d@y.invalid, e%f@z.invalid");
    window->EditSubject->setText(QString::fromUtf8("50% + 50%? sì & no #1"));
    window->MemoEmail->setPlainText(QString::fromUtf8("riga 1\nriga & 2 è"));
    window->cbSMTP->SetItemIndex(0);
    window->BtnOk->click();
    QDesktopServices::unsetUrlHandler("mailto");
    ASSERT_EQ(catcher.urls.size(), 1);
    const QUrl& url = catcher.urls[0];
    EXPECT_EQ(url.path(QUrl::FullyDecoded), "a&b@x.invalid");
    const QUrlQuery query(url.query(QUrl::FullyEncoded));
    EXPECT_EQ(query.queryItemValue("cc", QUrl::FullyDecoded), "c#d@y.invalid, e%f@z.invalid");
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded),
              QString::fromUtf8("50% + 50%? sì & no #1"));
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
              QString::fromUtf8("riga 1\r\nriga & 2 è"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(EmailTest, ServerBookIsEditedAndKept) {
    const QStringList designed{"Nessuno (usa l'applicazione di default)",
                               "Zeltor (smtp.zeltor.invalid:25)"};
    EXPECT_EQ(window->cbSMTP->Items(), designed);
    window->PopupMenuServersPopup();
    EXPECT_FALSE(window->Cancellaquestaconnessionedallelenco1->isEnabled());
    window->Cancellaquestaconnessionedallelenco1Click();
    EXPECT_EQ(window->cbSMTP->Items(), designed);

    const platform::ShowModalHook old = platform::SetShowModalHook([](QDialog& d) {
        auto& dialog = dynamic_cast<TFormNewSMTP&>(d);
        dialog.EditName->setText(" Casa: (mia) ");
        dialog.EditHost->setText("mail.casa.invalid");
        dialog.EditPort->SetValue(587);
        return int(QDialog::Accepted);
    });
    window->BtnNewServerClick();
    platform::SetShowModalHook(old);
    EXPECT_EQ(window->cbSMTP->Text(), "Casa mia (mail.casa.invalid:587)");
    EXPECT_EQ(window->cbSMTP->ItemIndex(), 2);
    window->PopupMenuServersPopup();
    EXPECT_TRUE(window->Cancellaquestaconnessionedallelenco1->isEnabled());

    window->cbSMTP->SetItemIndex(1);
    window->Cancellaquestaconnessionedallelenco1Click();
    EXPECT_EQ(window->cbSMTP->Items(),
              QStringList({designed[0], "Casa mia (mail.casa.invalid:587)"}));
    window->close();
    QFile ini("Quendel.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("[InviaEmail]")) << text.data();
    EXPECT_TRUE(text.contains("cbSMTP_Text=Casa mia (mail.casa.invalid:587)")) << text.data();

    window = std::make_unique<TStoredForm<TFormEmail>>();
    window->show();
    EXPECT_EQ(window->cbSMTP->Items(),
              QStringList({designed[0], "Casa mia (mail.casa.invalid:587)"}));
    EXPECT_EQ(window->cbSMTP->ItemIndex(), 1);
}

TEST_F(EmailTest, TheMailProgramIsAlwaysTheFirstEntry) {
    const QString mailClient = "Nessuno (usa l'applicazione di default)";
    const QString zeltor = "Zeltor (smtp.zeltor.invalid:25)";
    const QString home = "Casa (mail.casa.invalid:587)";
    struct Case {
        QStringList stored;
        QString chosen;
    };
    const Case cases[] = {
        {{zeltor, home}, home},
        {{zeltor, home, mailClient}, zeltor},
        {{home}, ""},
    };
    for (const Case& c : cases) {
        window.reset();
        QByteArray ini =
            "[InviaEmail]\r\ncbSMTP_Text=" + c.chosen.toLatin1() +
            "\r\ncbSMTP_ItemIndex=" + QByteArray::number(c.stored.indexOf(c.chosen)) +
            "\r\n[InviaEmail.cbSMTP_Items]\r\nCount=" + QByteArray::number(c.stored.size()) +
            "\r\n";
        for (qsizetype i = 0; i < c.stored.size(); ++i)
            ini += "Item" + QByteArray::number(i) + "=" + c.stored[i].toLatin1() + "\r\n";
        QFile file("Quendel.ini");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(ini);
        file.close();

        window = std::make_unique<TStoredForm<TFormEmail>>();
        window->show();
        QStringList expected = c.stored;
        expected.removeAll(mailClient);
        expected.prepend(mailClient);
        EXPECT_EQ(window->cbSMTP->Items(), expected) << ini.data();
        EXPECT_EQ(window->cbSMTP->Text(), c.chosen) << ini.data();
        window->cbSMTP->SetItemIndex(1);
        window->PopupMenuServersPopup();
        EXPECT_TRUE(window->Cancellaquestaconnessionedallelenco1->isEnabled());
        window->Cancellaquestaconnessionedallelenco1Click();
        EXPECT_EQ(window->cbSMTP->Items().value(0), mailClient);
        EXPECT_EQ(window->cbSMTP->count(), expected.size() - 1);
        window->cbSMTP->SetItemIndex(0);
        window->PopupMenuServersPopup();
        EXPECT_FALSE(window->Cancellaquestaconnessionedallelenco1->isEnabled());
    }
}

#include "EmailTest.moc"
