// The service settings: first start, the dialog, the "Zeltor" section key by key, bad input.

#include "app/CodEncoding.h"
#include "app/CodImpostazioni.h"
#include "controls/KXSpin.h"
#include "platform/IniFile.h"
#include "platform/PropertyAdapters.h"
#include "tests/app/MainWindowFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace {

class SettingsTest : public MainWindowTest {
protected:
    // Answers the dialog by filling it and pressing OK.
    void AnswerDialog(std::function<void(TFormImpostazioni&)> fill) {
        modalAnswer = [fill](QDialog& d) {
            auto& dialog = static_cast<TFormImpostazioni&>(d);
            dialog.show();
            fill(dialog);
            dialog.BitBtnOk->click();
            return dialog.result();
        };
    }

    QStringList ZeltorLines() const {
        const QStringList lines =
            QString::fromLatin1(FileBytes("Quendel.ini")).split(QRegularExpression("\r?\n"));
        const qsizetype start = lines.indexOf("[Zeltor]");
        QStringList section;
        for (qsizetype i = start + 1; start >= 0 && i < lines.size() && !lines[i].startsWith('[');
             ++i) {
            if (!lines[i].isEmpty())
                section << lines[i];
        }
        return section;
    }
};

TEST_F(SettingsTest, FirstStartTakesTheDefaults) {
    EXPECT_EQ(FormMain->NewsPort, 119);
    EXPECT_EQ(FormMain->VexlorFileName, "vexlor.out");
    EXPECT_EQ(FormMain->VexlorArea, "/rubriche/giochi/arena/scacchi");
    EXPECT_EQ(FormMain->NewsGroup, "zeltor.rubriche.giochi.arena.scacchi");
    EXPECT_EQ(FormMain->NewsServer, "news.zeltor.invalid");
    EXPECT_EQ(FormMain->Password, "");
    EXPECT_EQ(FormMain->Signature, "");
    EXPECT_FALSE(FormMain->NewSubjectFormat);
}

TEST_F(SettingsTest, DialogShowsTheFieldsAndOkWritesTheSectionInOrder) {
    FormMain->Password = "segreto";
    QString shown;
    AnswerDialog([&shown](TFormImpostazioni& d) {
        shown = d.EditPorta->text() + "|" + d.EditPassword->text() + "|" +
                d.ComboBoxVexlorArea->currentText();
        d.EditPorta->setText("1190");
        d.EditUsername->setText("'mario'");
        d.EditPassword->setText("abc");
        d.MemoFirma->setPlainText("Ciao a tutti\ncaffe'");
        d.cbFormatoOggetto->setChecked(true);
        d.ComboBoxNewsgroup->setEditText("zeltor.altro");
    });
    FormMain->Impostazioni1->trigger();
    EXPECT_EQ(shown, "119|segreto|/rubriche/giochi/arena/scacchi");
    QString scrambled = "abc";
    ScramblePassword(scrambled);
    EXPECT_EQ(
        ZeltorLines(),
        (QStringList{"Area=/rubriche/giochi/arena/scacchi", "Nome file Vexlor=vexlor.out",
                     "Indirizzo news server=news.zeltor.invalid", "Porta news server=1190",
                     "News Group=zeltor.altro", "Username=\"'mario'\"", "Password=" + scrambled,
                     "Firma=Ciao+a+tutti%0D%0Acaffe%27", "Formato Oggetto=1"}));
    EXPECT_EQ(FormImpostazioni->ComboBoxNewsgroup->Items().first(), "zeltor.altro");

    // A second start reads back what was typed.
    DestroyWindows();
    CreateWindows();
    EXPECT_EQ(FormMain->NewsPort, 1190);
    EXPECT_EQ(FormMain->UserName, "'mario'");
    EXPECT_EQ(FormMain->Password, "abc");
    EXPECT_EQ(FormMain->Signature, "Ciao a tutti\r\ncaffe'");
    EXPECT_TRUE(FormMain->NewSubjectFormat);
    EXPECT_EQ(FormMain->NewsGroup, "zeltor.altro");
    QStringList items;
    modalAnswer = [&items](QDialog& d) {
        d.show();
        items = static_cast<TFormImpostazioni&>(d).ComboBoxNewsgroup->Items();
        d.reject();
        return d.result();
    };
    FormMain->Impostazioni1->trigger();
    EXPECT_EQ(items, (QStringList{"zeltor.altro", "zeltor.rubriche.giochi.arena.scacchi",
                                  "zeltor.rubriche.giochi.agonistika.scacchi-ars"}));
}

TEST_F(SettingsTest, CancelChangesNothing) {
    modalAnswer = [](QDialog& d) {
        static_cast<TFormImpostazioni&>(d).EditPorta->setText("25");
        return int(QDialog::Rejected);
    };
    ClickItem(FormMain->SpeedItemOpzioni);
    EXPECT_EQ(modalShown, std::vector<QString>{"FormImpostazioni"});
    EXPECT_EQ(FormMain->NewsPort, 119);
    EXPECT_TRUE(ZeltorLines().isEmpty());
}

TEST_F(SettingsTest, BadPortKeepsTheDialogOpen) {
    for (const char* port : {"abc", "12.5", "", "-", "99999999999999999999"}) {
        boxes.clear();
        AnswerDialog([port](TFormImpostazioni& d) {
            d.EditPorta->setText(port);
            d.EditUsername->setText("changed");
            d.ComboBoxVexlorArea->setEditText("/nuova/area");
        });
        FormMain->Impostazioni1->trigger();
        ASSERT_EQ(boxes.size(), 1u) << port;
        EXPECT_EQ(boxes[0].flags, platform::MB_ICONERROR);
        EXPECT_EQ(FormMain->UserName, "");
        EXPECT_EQ(FormMain->NewsPort, 119);
        EXPECT_NE(FormImpostazioni->ComboBoxVexlorArea->Items().first(), "/nuova/area");
        EXPECT_TRUE(ZeltorLines().isEmpty());
    }
}

// A port outside the edit's limits is held to them, typed in the dialog or read from the file.
TEST_F(SettingsTest, OutOfRangePortsAreHeldToTheLimits) {
    const std::pair<const char*, int> typed[] = {
        {"70000", 65535}, {"65536", 65535}, {"0", 1}, {"-1", 1}, {"+8119", 8119}};
    for (const auto& [text, port] : typed) {
        AnswerDialog([text](TFormImpostazioni& d) { d.EditPorta->setText(text); });
        FormMain->Impostazioni1->trigger();
        EXPECT_EQ(FormMain->NewsPort, port) << text;
        EXPECT_TRUE(ZeltorLines().contains(QString("Porta news server=%1").arg(port))) << text;
    }
    const std::pair<const char*, int> stored[] = {
        {"70000", 65535}, {"0", 1}, {"-3", 1}, {"4464", 4464}};
    for (const auto& [text, port] : stored) {
        WriteFile("Quendel.ini", QByteArray("[Zeltor]\r\nPorta news server=") + text + "\r\n");
        DestroyWindows();
        CreateWindows();
        EXPECT_EQ(FormMain->NewsPort, port) << text;
        QString shown;
        modalAnswer = [&shown](QDialog& d) {
            shown = static_cast<TFormImpostazioni&>(d).EditPorta->text();
            return int(QDialog::Rejected);
        };
        FormMain->Impostazioni1->trigger();
        EXPECT_EQ(shown, QString::number(port)) << text;
    }
}

TEST_F(SettingsTest, DamagedSectionReadsWithoutHarm) {
    WriteFile("Quendel.ini", "[Zeltor]\r\nPorta news server=abc\r\nPassword=!!%%==\xff\r\n"
                             "Firma=%zz&%4\r\nFormato Oggetto=forse\r\nArea=\"\r\n");
    DestroyWindows();
    CreateWindows();
    EXPECT_EQ(FormMain->NewsPort, 119);
    EXPECT_FALSE(FormMain->Password.contains(QChar(0)));
    EXPECT_EQ(FormMain->Signature, "%zz\r\n%4");
    EXPECT_EQ(FormMain->VexlorArea, "\"");
}

} // namespace
