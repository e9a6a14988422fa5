// The main window's service settings: read at start-up, edited in "Impostazioni", written back.

#include "app/CodEncoding.h"
#include "app/CodImpostazioni.h"
#include "app/CodMain.h"
#include "controls/KXSpin.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "storage/Apputils.h"
#include "storage/Placemnt.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <algorithm>

namespace {

const QString Section = QStringLiteral("Zeltor");

} // namespace

void TFormMain::ReadSettings() {
    const TIniFile ini(FormStorage1->IniFileName());
    VexlorArea = ini.ReadString(Section, QStringLiteral("Area"),
                                QStringLiteral("/rubriche/giochi/arena/scacchi"));
    VexlorFileName =
        ini.ReadString(Section, QStringLiteral("Nome file Vexlor"), QStringLiteral("vexlor.out"));
    NewsServer = ini.ReadString(Section, QStringLiteral("Indirizzo news server"),
                                QStringLiteral("news.zeltor.invalid"));
    // Held to the dialog's limits, as its edit holds a typed port.
    NewsPort = std::clamp(ini.ReadInteger(Section, QStringLiteral("Porta news server"), 119),
                          TFormImpostazioni::MinPort, TFormImpostazioni::MaxPort);
    NewsGroup = ini.ReadString(Section, QStringLiteral("News Group"),
                               QStringLiteral("zeltor.rubriche.giochi.arena.scacchi"));
    UserName = ini.ReadString(Section, QStringLiteral("Username"), QString());
    Password = ini.ReadString(Section, QStringLiteral("Password"), QString());
    NewSubjectFormat = ini.ReadBool(Section, QStringLiteral("Formato Oggetto"), false);
    Signature = ini.ReadString(Section, QStringLiteral("Firma"), QString());
    UnscramblePassword(Password);
    Signature = CodEncoding::UrlDecode(Signature);
}

void TFormMain::WriteSettings() {
    TIniFile ini(FormStorage1->IniFileName());
    QString scrambled = Password;
    ScramblePassword(scrambled);
    platform::InOneRewrite(ini, [&] {
        IniWriteString(&ini, Section, QStringLiteral("Area"), VexlorArea);
        IniWriteString(&ini, Section, QStringLiteral("Nome file Vexlor"), VexlorFileName);
        IniWriteString(&ini, Section, QStringLiteral("Indirizzo news server"), NewsServer);
        IniWriteInteger(&ini, Section, QStringLiteral("Porta news server"), NewsPort);
        IniWriteString(&ini, Section, QStringLiteral("News Group"), NewsGroup);
        IniWriteString(&ini, Section, QStringLiteral("Username"), UserName);
        IniWriteString(&ini, Section, QStringLiteral("Password"), scrambled);
        IniWriteString(&ini, Section, QStringLiteral("Firma"), CodEncoding::UrlEncode(Signature));
        IniWriteBool(&ini, Section, QStringLiteral("Formato Oggetto"), NewSubjectFormat);
    });
}

void TFormMain::Impostazioni1Click() {
    TFormImpostazioni& dialog = *FormImpostazioni;
    dialog.EditVexlorFileName->setText(VexlorFileName);
    dialog.ComboBoxVexlorArea->setEditText(VexlorArea);
    dialog.EditNewsServer->setText(NewsServer);
    dialog.EditPorta->SetValue(NewsPort);
    dialog.ComboBoxNewsgroup->setEditText(NewsGroup);
    dialog.EditUsername->setText(UserName);
    dialog.EditPassword->setText(Password);
    dialog.MemoFirma->setPlainText(QString(Signature).replace(QStringLiteral("\r\n"), "\n"));
    dialog.cbFormatoOggetto->setChecked(NewSubjectFormat);
    if (platform::ShowModal(dialog) != QDialog::Accepted)
        return;
    VexlorFileName = dialog.EditVexlorFileName->text();
    VexlorArea = dialog.ComboBoxVexlorArea->currentText();
    NewsServer = dialog.EditNewsServer->text();
    NewsPort = dialog.Port().value_or(NewsPort);
    NewsGroup = dialog.ComboBoxNewsgroup->currentText();
    UserName = dialog.EditUsername->text();
    Password = dialog.EditPassword->text();
    Signature =
        dialog.MemoFirma->toPlainText().split(QLatin1Char('\n')).join(QStringLiteral("\r\n"));
    NewSubjectFormat = dialog.cbFormatoOggetto->isChecked();
    try {
        WriteSettings();
    } catch (const EIniFileException& e) {
        platform::ShowError(e.Message(), this);
    }
}
