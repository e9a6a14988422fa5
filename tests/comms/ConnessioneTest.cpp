#include "comms/CodConnessione.h"
#include "comms/CodNntpThread.h"
#include "comms/CodPassword.h"
#include "peers/ScriptedServer.h"
#include "platform/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(Connessione, ShowsLiveStatusSwingsTheBarAndAbortsAtOnce) {
    ScriptedServer silent("200 hi\r\n", {{"STAT", "<silent>"}});
    TFormConnessione dialog;
    TNntpThread thread;
    thread.Host = "127.0.0.1";
    thread.Port = silent.Port();
    std::vector<int> positions;
    std::vector<QString> statuses;
    bool visibleWhileRunning = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        positions.push_back(dialog.ProgressBar1->value());
        statuses.push_back(dialog.LabelStato->text());
        visibleWhileRunning = visibleWhileRunning || dialog.isVisible();
        EXPECT_TRUE(dialog.Busy());
        if (positions.size() == 15) {
            dialog.BtnAbort->click();
            EXPECT_FALSE(dialog.isVisible());
        }
    });
    watch.start(100);
    dialog.Run(thread);
    watch.stop();
    EXPECT_TRUE(visibleWhileRunning);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.Busy());
    EXPECT_EQ(thread.OpResult, 1);
    EXPECT_EQ(thread.ErrorText, "Operazione annullata");
    ASSERT_GE(positions.size(), 15u);
    EXPECT_EQ(statuses[10], "Connessione in corso");
    // Up to the maximum and back again.
    EXPECT_NE(std::find(positions.begin(), positions.end(), 100), positions.end());
    EXPECT_LT(positions[14], 100);

    // The next operation goes on from where the bar stood.
    const int left = dialog.ProgressBar1->value();
    ScriptedServer quick("200 hi\r\n", {{"STAT", "412 x\r\n"}, {"POST", "440 no\r\n"}});
    TNntpThread second;
    second.Host = "127.0.0.1";
    second.Port = quick.Port();
    second.Messages = {{"x"}};
    dialog.Run(second);
    EXPECT_EQ(second.ErrorText, "Impossibile inviare il messaggio\n\nErrore:\n440 no\r\n");
    EXPECT_NE(dialog.ProgressBar1->value(), 0);
    EXPECT_LE(std::abs(dialog.ProgressBar1->value() - left), 100);
}

TEST(Connessione, EscapeAndCloseAbortLikeAnnulla) {
    ScriptedServer silent("200 hi\r\n", {{"STAT", "<silent>"}});
    TFormConnessione dialog;
    const std::function<void()> ways[] = {
        [&] { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [&] { dialog.close(); },
    };
    for (const auto& hide : ways) {
        TNntpThread thread;
        thread.Host = "127.0.0.1";
        thread.Port = silent.Port();
        bool stillRunning = false;
        QTimer press, rescue;
        press.setSingleShot(true);
        QObject::connect(&press, &QTimer::timeout, [&] {
            hide();
            EXPECT_FALSE(dialog.isVisible());
        });
        // Were the operation left running, this ends it for the test's sake.
        rescue.setSingleShot(true);
        QObject::connect(&rescue, &QTimer::timeout, [&] {
            stillRunning = dialog.Busy();
            dialog.BtnAbortClick();
        });
        press.start(300);
        rescue.start(10000);
        dialog.Run(thread);
        EXPECT_FALSE(stillRunning);
        EXPECT_EQ(thread.ErrorText, "Operazione annullata");
    }
}

TEST(Connessione, LoginAskedOnlyWhenSomethingIsMissing) {
    FormPassword = new TFormPassword;
    std::vector<QString> asked;
    int answer = QDialog::Rejected;
    const platform::ShowModalHook old = platform::SetShowModalHook([&](QDialog& d) {
        auto& login = dynamic_cast<TFormPassword&>(d);
        asked.push_back(login.EditUsername->text() + "/" + login.EditPassword->text());
        login.EditPassword->setText("segreta");
        return answer;
    });
    QString user = "tester", password = "secret";
    EXPECT_TRUE(AskNntpLogin(user, password, nullptr));
    EXPECT_TRUE(asked.empty());

    password.clear();
    EXPECT_FALSE(AskNntpLogin(user, password, nullptr));
    EXPECT_EQ(password, "");
    answer = QDialog::Accepted;
    EXPECT_TRUE(AskNntpLogin(user, password, nullptr));
    EXPECT_EQ(password, "segreta");
    EXPECT_EQ(asked, (std::vector<QString>{"tester/", "tester/"}));
    EXPECT_EQ(FormPassword->EditPassword->echoMode(), QLineEdit::Password);
    platform::SetShowModalHook(old);
    delete FormPassword;
    FormPassword = nullptr;
}
