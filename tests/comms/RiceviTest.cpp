#include "comms/CodConnessione.h"
#include "comms/CodPassword.h"
#include "comms/CodRicevi.h"
#include "controls/Grids.h"
#include "controls/KXSpin.h"
#include "controls/KXSplit.h"
#include "controls/KxRichEdit.h"
#include "peers/ScriptedServer.h"
#include "platform/FindDialog.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "storage/StoredForm.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

TEST(RiceviFilter, WordsOfTheFilterSelectHeaders) {
    struct Case {
        QString subject, filter;
        bool listed;
    };
    const Case cases[] = {
        {"4001-01b[e2-e4]Cog-Gio", "", true},
        {"4001-01b[e2-e4]Cog-Gio", " ,.;! ", true},
        {"4001-01b[e2-e4]Cog-Gio", "4001", true},
        {"4001-01b[e2-e4]Cog-Gio", "COG", true},
        {"4001-01b[e2-e4]Cog-Gio", "5000, gio", true},
        {"4001-01b[e2-e4]Cog-Gio", "5000, ros", false},
        {"4001-01b[e2-e4]Cog-Gio", "e2-e5", true}, // "e2" stands in the subject
        {"Re: altro", "4001", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HeaderMatchesFilter(c.subject, c.filter), c.listed)
            << c.subject.toStdString() << " / " << c.filter.toStdString();
}

TEST(RiceviHighlights, SubjectCodeAndDoubledMoveLines) {
    const QStringList lines{"Subject: 4001-  1b Cognome-Giocatore",
                            "",
                            "12n e7-e5",
                            "1b e2-e4",
                            "1b e2-e4",
                            "",
                            "1b e2-e4"};
    const QList<TArticleHighlight> runs = ArticleHighlights(lines);
    ASSERT_EQ(runs.size(), 3);
    EXPECT_EQ(runs[0].Start, 9);
    EXPECT_EQ(runs[0].Length, 27);
    EXPECT_FALSE(runs[0].Blue);
    EXPECT_EQ(runs[1].Start, 9);
    EXPECT_EQ(runs[1].Length, 4);
    EXPECT_TRUE(runs[1].Blue);
    EXPECT_EQ(runs[2].Start, 48);
    EXPECT_EQ(runs[2].Length, 17);
    EXPECT_TRUE(ArticleHighlights({"Subject: Re: 40x1-", "nessuna mossa"}).size() == 1);
    EXPECT_TRUE(ArticleHighlights({"senza oggetto"}).isEmpty());
}

namespace {

class RiceviTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString previousFolder = QDir::currentPath();
    std::vector<QString> boxes;
    platform::MessageBoxHook oldBox;
    std::unique_ptr<TStoredForm<TFormRicevi>> window;

    void SetUp() override {
        QDir::setCurrent(dir.path());
        oldBox = platform::SetMessageBoxHook([this](const QString& t, const QString& c, int f) {
            boxes.push_back(QString("%1|%2|%3").arg(t, c).arg(f));
            return int(platform::IDOK);
        });
        FormConnessione = new TFormConnessione;
        window = std::make_unique<TStoredForm<TFormRicevi>>();
        window->UserName = "tester";
        window->Password = "secret";
        window->Host = "127.0.0.1";
        window->NewsGroup = "zeltor.test";
        window->show();
    }
    void TearDown() override {
        window.reset();
        delete FormConnessione;
        FormConnessione = nullptr;
        platform::SetMessageBoxHook(oldBox);
        QDir::setCurrent(previousFolder);
    }
    void Click(int col, int row) {
        window->GridHeaders->SetTopRow(1);
        window->GridHeaders->SetLeftCol(0);
        const QRect cell = window->GridHeaders->CellRect(col, row);
        QTest::mouseClick(window->GridHeaders->viewport(), Qt::LeftButton, {}, cell.center());
        QCoreApplication::processEvents();
    }
    QString Status(int row) const { return window->GridHeaders->Cells(0, row); }
};

} // namespace

TEST_F(RiceviTest, ScriptedServerFailuresAreReported) {
    ScriptedServer server("200 hi\r\n", {{"STAT", "412 x\r\n"}, {"GROUP", "411 nessuno\r\n"}});
    window->Port = server.Port();
    EXPECT_FALSE(window->FetchHeaders(false));
    EXPECT_EQ(boxes, std::vector<QString>{"Impossibile aprire il newsgroup zeltor.test\n\nErrore:\n"
                                          "411 nessuno\r\n|Operazione fallita|16"});
    EXPECT_EQ(window->GridHeaders->RowCount(), 1);
    EXPECT_EQ(window->GridHeaders->FixedRows(), 0);
}

TEST_F(RiceviTest, AnArticleCutOffStaysUnmarked) {
    ScriptedServer server("200 hi\r\n",
                          {{"STAT", "412 x\r\n"},
                           {"GROUP", "211 2 7 8 zeltor.test\r\n"},
                           {"XOVER", "224 ok\r\n7\tuno\ta\td\r\n8\tdue\tb\td\r\n.\r\n"},
                           {"ARTICLE 7", "220 7\r\nSubject: uno\r\n.\r\n"},
                           {"ARTICLE 8", "220 8\r\nSubject: d<close>"}});
    window->Port = server.Port();
    ASSERT_TRUE(window->FetchHeaders(true));
    EXPECT_FALSE(window->FetchArticles(true));
    EXPECT_EQ(Status(1), "S");
    EXPECT_EQ(Status(2), "");
    EXPECT_EQ(window->Articles.value(2), QByteArray());
    EXPECT_EQ(boxes, std::vector<QString>{"Errore nella ricezione dei dati|Operazione fallita|16"});
}

// A server that sends more than was asked for: what came whole is listed, the failure told, the
// connection closed, and the window answers again.
TEST_F(RiceviTest, AServerSendingTooMuchLeavesTheWindowUsable) {
    const QByteArray line = QByteArray(1000, 'x') + "\r\n";
    ScriptedServer server(
        "200 hi\r\n", {{"STAT", "412 x\r\n"},
                       {"GROUP", "211 2 7 8 zeltor.test\r\n"},
                       {"XOVER", "224 ok\r\n7\tuno\ta\td\r\n8\tdue\tb\td\r\n9\ttre\tc\td\r\n.\r\n"},
                       {"ARTICLE 7", "220 7\r\nSubject: uno\r\n.\r\n"},
                       {"ARTICLE 8", "220 8\r\n" + line.repeated(2000) + ".\r\n"}});
    window->Port = server.Port();
    const auto usable = [&] {
        return window->BtnScaricaIntest->isEnabled() && window->BtnCancella->isEnabled() &&
               window->BtnChiudi->isEnabled() && !FormConnessione->isVisible();
    };
    EXPECT_FALSE(window->FetchHeaders(true));
    EXPECT_EQ(boxes, std::vector<QString>{"Il server ha inviato piu' di 2 intestazioni: "
                                          "scaricamento interrotto|Operazione fallita|16"});
    EXPECT_EQ(window->GridHeaders->RowCount(), 3);
    EXPECT_EQ(window->GridHeaders->Cells(3, 2), "due");
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.Disconnections() == 1; }, 5000));
    EXPECT_TRUE(usable());

    boxes.clear();
    EXPECT_FALSE(window->FetchArticles(true));
    EXPECT_EQ(boxes, std::vector<QString>{"Il messaggio 8 e' troppo grande (oltre 1 MB): "
                                          "scaricamento interrotto|Operazione fallita|16"});
    EXPECT_EQ(Status(1), "S");
    EXPECT_EQ(Status(2), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.Disconnections() == 2; }, 5000));
    EXPECT_TRUE(usable());
}

// Asked from the download window, the login comes up centred over it, as its own dialog (the
// window the system stacks it on and gives the focus back to), not over the main window.
TEST_F(RiceviTest, TheLoginComesUpOverTheDownloadWindow) {
    QWidget main;
    main.setGeometry(0, 0, 300, 200);
    main.show();
    FormPassword = new TFormPassword(&main);
    window->setGeometry(350, 250, 400, 300);
    window->Password.clear();
    ScriptedServer server("200 hi\r\n");
    window->Port = server.Port();
    QPoint offset(1000, 1000);
    QWindow* over = nullptr;
    QTimer::singleShot(0, FormPassword, [&] {
        over = FormPassword->windowHandle()->transientParent();
        offset = FormPassword->frameGeometry().center() - window->frameGeometry().center();
        FormPassword->BitBtnCancel->click();
    });
    EXPECT_FALSE(window->FetchHeaders(false));
    EXPECT_EQ(over, window->windowHandle());
    EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();
    // Between questions it belongs to the main window again.
    EXPECT_EQ(FormPassword->parentWidget(), &main);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(server.Connections(), 0);
    delete FormPassword;
    FormPassword = nullptr;
}

TEST_F(RiceviTest, HeadersMarkedDownloadedAndRead) {
    const int port = qEnvironmentVariableIntValue("NNTP_OPEN_PORT");
    if (port == 0)
        GTEST_SKIP() << "no news server: scripts/test starts INN and sets NNTP_OPEN_PORT";
    window->Port = port;
    window->EditCount->SetValue(10);
    ASSERT_TRUE(window->FetchHeaders(false));
    EXPECT_EQ(boxes.back(), "10 intestazioni scaricate|Intestazioni scaricate|64");
    EXPECT_EQ(window->GridHeaders->RowCount(), 11);
    EXPECT_EQ(window->GridHeaders->FixedRows(), 1);
    EXPECT_EQ(window->GridHeaders->Cells(3, 0), "Oggetto");

    Click(0, 3);
    EXPECT_EQ(Status(3), "Q");
    Click(0, 5);
    Click(0, 5);
    EXPECT_EQ(Status(5), "");
    ASSERT_TRUE(window->FetchArticles(false));
    EXPECT_EQ(boxes.back(), "1 messaggi scaricati|Messaggi scaricati|64");
    EXPECT_EQ(Status(3), "S");
    Click(0, 3); // showing an unread article never unmarks it
    EXPECT_EQ(Status(3), "O");
    const QString text = window->RichEdit1->Text();
    EXPECT_TRUE(text.contains("Subject: " + window->GridHeaders->Cells(3, 3)))
        << text.toStdString();
    const int subject = int(text.indexOf("Subject: ")) + 9;
    window->RichEdit1->SetSelStart(subject);
    window->RichEdit1->SetSelLength(4);
    EXPECT_TRUE(window->RichEdit1->SelAttributes.Style() & fsBold);
    EXPECT_EQ(window->RichEdit1->SelAttributes.Color(), platform::clBlue);

    // The read row is light yellow while it is the current one.
    const QImage grid = window->GridHeaders->viewport()->grab().toImage();
    const QRect cell = window->GridHeaders->CellRect(2, 3);
    EXPECT_EQ(grid.pixelColor(cell.left() + 1, cell.bottom() - 1), QColor(0xFF, 0xFF, 0x80));

    boxes.clear();
    window->EditFiltro->setText("nessuna-parola-simile");
    window->CheckBoxScaricaTutto->setChecked(true);
    EXPECT_FALSE(window->BtnScaricaTesto->isEnabled());
    EXPECT_EQ(window->BtnScaricaIntest->text(), "Scarica messaggi");
    window->EditFiltro->setText("002b, 009b");
    window->EditCount->SetValue(0); // every header, whatever other tests have posted since
    window->BtnScaricaIntest->click();
    EXPECT_EQ(boxes, std::vector<QString>{"2 messaggi scaricati|Messaggi scaricati|64"});
    EXPECT_EQ(Status(1), "S");
    EXPECT_EQ(Status(2), "S");

    window->BtnChiudi->click();
    EXPECT_FALSE(window->isVisible());
    QFile ini("Quendel.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray keys = ini.readAll();
    EXPECT_TRUE(keys.contains("Max msg da scaricare=0")) << keys.data();
    EXPECT_TRUE(keys.contains("Filtro intestazioni=002b, 009b")) << keys.data();
    EXPECT_TRUE(keys.contains("Col3=200")) << keys.data();
    EXPECT_TRUE(keys.contains("CheckBoxScaricaTutto_Checked=True")) << keys.data();
}

TEST_F(RiceviTest, FindGoesFromTheSelectionToTheEnd) {
    window->RichEdit1->Lines.SetText("uno due\nUno tre");
    window->FindDialog1->FindText = "uno";
    window->FindDialog1Find();
    EXPECT_EQ(window->RichEdit1->SelStart(), 0);
    window->FindDialog1Find();
    EXPECT_EQ(window->RichEdit1->SelStart(), 8);
    EXPECT_EQ(window->RichEdit1->SelText(), "Uno");
    window->FindDialog1Find(); // no further hit: the selection stays
    EXPECT_EQ(window->RichEdit1->SelStart(), 8);
    window->RichEdit1->SetSelLength(0);
    window->FindDialog1->Options |= frMatchCase;
    window->FindDialog1->FindText = "Uno";
    window->FindDialog1Find();
    EXPECT_EQ(window->RichEdit1->SelStart(), 8);
    window->PopupMenuTextPopup();
    EXPECT_TRUE(window->Trova1->isEnabled());
    window->RichEdit1->Clear();
    window->PopupMenuTextPopup();
    EXPECT_FALSE(window->Trova1->isEnabled());
}

TEST_F(RiceviTest, SplitterUnderTheGridSizesIt) {
    EXPECT_EQ(window->Splitter1->height(), 6);
    EXPECT_EQ(window->Splitter1->y(), window->GridHeaders->geometry().bottom() + 1);
    const int before = window->GridHeaders->height();
    const QPoint grip(window->Splitter1->width() / 2, 3);
    QTest::mousePress(window->Splitter1, Qt::LeftButton, {}, grip);
    QTest::mouseMove(window->Splitter1, grip + QPoint(0, 40));
    QTest::mouseRelease(window->Splitter1, Qt::LeftButton, {}, grip + QPoint(0, 40));
    EXPECT_EQ(window->GridHeaders->height(), before + 40);
    EXPECT_EQ(window->RichEdit1->y(), window->Splitter1->geometry().bottom() + 1);
}

// The number and the filter are saved together: with room for the number alone, neither is.
TEST_F(RiceviTest, TheServiceKeysAreWrittenInOneRewrite) {
    constexpr int room = 100;
    const QByteArray head = "[Spazio]\r\nRiempimento=";
    QByteArray bytes = head + QByteArray(platform::MaxIniFileSize - room - head.size() - 2, 'x');
    bytes += "\r\n";
    QFile file("Quendel.ini");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    window->EditCount->SetValue(7);
    window->EditFiltro->setText(QString(room, u'f'));
    boxes.clear();
    window->BtnChiudi->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(boxes.empty());
    for (const QString& box : boxes)
        EXPECT_TRUE(box.startsWith(
            "Impossibile scrivere il file ./Quendel.ini: file troppo grande (oltre 16 MB)|"))
            << box.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == bytes);
}
