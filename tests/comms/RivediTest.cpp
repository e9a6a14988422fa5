#include "comms/CodRivedi.h"
#include "platform/MessageBox.h"
#include "storage/StoredForm.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class RivediTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString previousFolder = QDir::currentPath();
    std::vector<QString> boxes;
    platform::MessageBoxHook oldBox;
    TStoredForm<TFormRivedi> window;

    void SetUp() override {
        QDir::setCurrent(dir.path());
        oldBox = platform::SetMessageBoxHook([this](const QString& t, const QString& c, int f) {
            boxes.push_back(t + "|" + c + "|" + QString::number(f));
            return int(platform::IDOK);
        });
    }
    void TearDown() override {
        platform::SetMessageBoxHook(oldBox);
        QDir::setCurrent(previousFolder);
    }

    static void Write(const QString& name, const QByteArray& bytes) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray Read(const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    int Load(const QString& name, const QString& separator = "--- NNTP ---") {
        window.FileName = name;
        window.Separator = separator;
        return window.LoadMessages();
    }
};

} // namespace

TEST_F(RivediTest, SeparatorsSplitMessagesWhateverTheLineEnds) {
    struct Case {
        QByteArray file;
        int count;
        QString first;
    };
    const Case cases[] = {
        {"--- NNTP ---\r\na\r\nb\r\n--- NNTP ---\r\nc\r\n", 2, "a\nb"},
        {"--- NNTP ---\n--- NNTP ---\nx\n--- NNTP ---\n", 2, "x"},
        {"a\rb\r--- NNTP ---\rc", 2, "a\nb"},
        {"--- NNTP ---\r\n\r\n", 1, ""},
    };
    for (const Case& c : cases) {
        Write("nntp.out", c.file);
        ASSERT_EQ(Load("nntp.out"), 0);
        EXPECT_EQ(window.MessageCount, c.count) << c.file.data();
        EXPECT_EQ(window.Memo1->toPlainText(), c.first) << c.file.data();
        EXPECT_EQ(window.Label1->text(), QString("Messaggio 1/%1").arg(c.count));
    }
}

TEST_F(RivediTest, NothingToShow) {
    EXPECT_EQ(Load("missing.out"), 1);
    Write("empty.out", "");
    EXPECT_EQ(Load("empty.out"), 1);
    EXPECT_EQ(boxes,
              std::vector<QString>(2, "Nessun messaggio da visualizzare|Messaggi in coda|16"));
}

TEST_F(RivediTest, EditsSurvivePagingAndOkRewritesTheFile) {
    Write("vexlor.out", "vexlor\r\nuno\r\nvexlor\r\ndue\r\nvexlor\r\ntre\r\nvexlor\r\n");
    ASSERT_EQ(Load("vexlor.out", "vexlor"), 0);
    EXPECT_EQ(window.MessageCount, 4); // the trailing separator starts an empty message
    window.BtnForw->click();
    window.Memo1->setPlainText("due modificato\nseconda riga\n");
    window.BtnForw->click();
    EXPECT_EQ(window.Memo1->toPlainText(), "tre");
    window.BtnDelete->click();
    EXPECT_EQ(window.Memo1->toPlainText(), "");
    EXPECT_EQ(window.Label1->text(), "Messaggio 3/4");
    window.BtnBack->click();
    EXPECT_EQ(window.Memo1->toPlainText(), "due modificato\nseconda riga");
    window.BtnEnd->click();
    window.BtnForw->click();
    EXPECT_EQ(window.Label1->text(), "Messaggio 4/4");
    window.BtnStart->click();
    window.BtnBack->click();
    EXPECT_EQ(window.Label1->text(), "Messaggio 1/4");
    window.BtnOk->click();
    EXPECT_EQ(Read("vexlor.out"), "vexlor\r\nuno\r\nvexlor\r\ndue modificato\r\nseconda riga\r\n");

    ASSERT_EQ(Load("vexlor.out", "vexlor"), 0);
    window.BtnDelete->click();
    window.BtnForw->click();
    window.BtnDelete->click();
    window.BtnOk->click();
    EXPECT_EQ(Read("vexlor.out"), "");
}

TEST_F(RivediTest, EmptyLinesSurviveShowingAndStoring) {
    const QByteArray file = "--- NNTP ---\r\nNewsgroups: g\r\n\r\ncorpo\r\n\r\n"
                            "--- NNTP ---\r\n\r\n"
                            "--- NNTP ---\r\nterzo\r\n\r\n\r\n";
    Write("nntp.out", file);
    ASSERT_EQ(Load("nntp.out"), 0);
    EXPECT_EQ(window.MessageCount, 3);
    for (int pass = 0; pass < 2; ++pass) {
        window.BtnEnd->click();
        window.BtnBack->click();
        window.BtnStart->click();
        window.BtnForw->click();
    }
    window.BtnOk->click();
    EXPECT_EQ(Read("nntp.out"), file);

    // An edit keeps the other messages' empty lines too.
    ASSERT_EQ(Load("nntp.out"), 0);
    window.Memo1->setPlainText("Newsgroups: g\n\naltro corpo\n\n");
    window.BtnEnd->click();
    window.BtnOk->click();
    EXPECT_EQ(Read("nntp.out"), "--- NNTP ---\r\nNewsgroups: g\r\n\r\naltro corpo\r\n\r\n"
                                "--- NNTP ---\r\n\r\n"
                                "--- NNTP ---\r\nterzo\r\n\r\n\r\n");

    window.BeginPreview("Il seguente messaggio sara' inviato:", {"Newsgroups: g", "", ""});
    EXPECT_EQ(window.EndPreview(), QStringList({"Newsgroups: g", "", ""}));
}

TEST_F(RivediTest, CancelAndPreviewWriteNothing) {
    const QByteArray original = "--- NNTP ---\r\nuno\r\n";
    Write("nntp.out", original);
    ASSERT_EQ(Load("nntp.out"), 0);
    window.Memo1->setPlainText("cambiato");
    window.BtnAnnulla->click();
    EXPECT_EQ(Read("nntp.out"), original);

    window.BeginPreview("Il seguente messaggio sara' inviato:", {"Newsgroups: g", "", "corpo"});
    EXPECT_FALSE(window.BtnForw->isEnabled());
    EXPECT_FALSE(window.BtnDelete->isEnabled());
    EXPECT_EQ(window.Label1->text(), "Il seguente messaggio sara' inviato:");
    window.Memo1->setPlainText("Newsgroups: g\n\ncorpo corretto\n");
    window.BtnOk->click();
    EXPECT_EQ(window.EndPreview(), QStringList({"Newsgroups: g", "", "corpo corretto"}));
    EXPECT_TRUE(window.BtnForw->isEnabled());
    EXPECT_EQ(Read("nntp.out"), original);
}

TEST_F(RivediTest, ManyMessagesAndAFailedWrite) {
    QByteArray file;
    for (int i = 1; i <= 500; ++i)
        file += "--- NNTP ---\r\nmessaggio " + QByteArray::number(i) + "\r\n";
    Write("nntp.out", file);
    ASSERT_EQ(Load("nntp.out"), 0);
    EXPECT_EQ(window.MessageCount, 500);
    window.BtnEnd->click();
    EXPECT_EQ(window.Memo1->toPlainText(), "messaggio 500");

    // The file turned into a folder: the write fails, is reported, and nothing is lost.
    QFile::rename("nntp.out", "saved.out");
    QDir().mkdir("nntp.out");
    window.BtnOk->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].startsWith("Impossibile scrivere il file nntp.out"))
        << boxes[0].toStdString();
    EXPECT_TRUE(QFileInfo("nntp.out").isDir());
    EXPECT_EQ(Read("saved.out"), file);
}
