#include "platform/FormFlags.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "storage/Apputils.h"
#include "storage/Kxstrutils.h"
#include "storage/StoredForm.h"
#include "tests/ChildProcess.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>
#include <stdexcept>

// A window shaped like the download window: placement, a check box, a combo box, a colour.
class TFormRicevi : public QWidget {
    Q_OBJECT
public:
    explicit TFormRicevi(const QString& iniFile) {
        CheckBoxScaricaTutto->setObjectName("CheckBoxScaricaTutto");
        cbSMTP->setObjectName("cbSMTP");
        cbSMTP->addItems({"Nessuno (usa l'applicazione di default)", "Zeltor (smtp.invalid:25)"});
        ColorDialogBordo->setObjectName("ColorDialogBordo");
        ColorDialogBordo->SetColor(0x008080);
        Sound1->setObjectName("Sound1");
        Sound1->setCheckable(true);
        FormStorage1->setObjectName("FormStorage1");
        FormStorage1->SetIniFileName(iniFile);
        FormStorage1->SetIniSection("RiceviMosse");
        FormStorage1->SetStoredProps({"CheckBoxScaricaTutto.Checked", "cbSMTP.Items", "cbSMTP.Text",
                                      "cbSMTP.ItemIndex", "ColorDialogBordo.Color",
                                      "Sound1.Checked"});
        setGeometry(100, 100, 300, 200);
    }

    QCheckBox* CheckBoxScaricaTutto = new QCheckBox(this);
    TComboBox* cbSMTP = new TComboBox(this);
    TColorDialog* ColorDialogBordo = new TColorDialog(this);
    QAction* Sound1 = new QAction(this);
    TFormStorage* FormStorage1 = new TFormStorage(this);

    int shows = 0;
    bool checkedWhenShown = false;
    bool refuseClose = false;

protected:
    void showEvent(QShowEvent* event) override {
        ++shows;
        checkedWhenShown = CheckBoxScaricaTutto->isChecked();
        QWidget::showEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (refuseClose)
            event->ignore();
    }
};

class TFormDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFormDialog(const QString& iniFile, QWidget* parent = nullptr) : QDialog(parent) {
        FormStorage1->SetIniFileName(iniFile);
        FormStorage1->SetIniSection("RivediMessaggi");
        FormStorage1->OnSavePlacement = [this](QObject*) { ++saves; };
        setGeometry(50, 60, 200, 100);
    }
    TFormStorage* FormStorage1 = new TFormStorage(this);
    int saves = 0;
};

// A window whose store keeps its size from the start.
class TFormFixed : public TFormRicevi {
    Q_OBJECT
public:
    explicit TFormFixed(const QString& iniFile) : TFormRicevi(iniFile) {
        FormStorage1->SetPreventResize(true);
    }
};

namespace {

class PlacemntTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("Quendel.ini");
    TIniFile ini{path};
    QStringList errors;
    platform::MessageBoxHook previous;

    void SetUp() override {
        previous = platform::SetMessageBoxHook([this](const QString& text, const QString&, int) {
            errors.append(text);
            return int(platform::IDOK);
        });
    }
    void TearDown() override { platform::SetMessageBoxHook(previous); }

    std::unique_ptr<TStoredForm<TFormRicevi>> window() {
        return std::make_unique<TStoredForm<TFormRicevi>>(path);
    }

    QString key(const QString& section, const QString& name) {
        return ini.ReadString(section, name, "<missing>");
    }

    // Both position keys, so that neither one left by an earlier save wins.
    void writeNormPos(const QString& value) {
        ini.WriteString("RiceviMosse", "NormPos" + ScreenSizeSuffix(), value);
        ini.WriteString("RiceviMosse", "NormPos", value);
    }

    QRect primaryArea() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(PlacemntTest, ASaveWritesTheKeysInTheirOrder) {
    auto w = window();
    w->FormStorage1->OnSavePlacement = [&](QObject* sender) {
        EXPECT_EQ(sender, w->FormStorage1);
        w->FormStorage1->WriteInteger("Col0", 80);
    };
    w->show();
    w->CheckBoxScaricaTutto->setChecked(true);
    w->cbSMTP->SetItemIndex(1);
    w->Sound1->setChecked(true);
    w->close();
    const QString suffix = ScreenSizeSuffix();
    EXPECT_EQ(ini.ReadSection("RiceviMosse"),
              QStringList({"FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos" + suffix,
                           "MinMaxPos", "NormPos" + suffix, "NormPos", "Visible",
                           "CheckBoxScaricaTutto_Checked", "cbSMTP_Text", "cbSMTP_ItemIndex",
                           "ColorDialogBordo_Color", "Sound1_Checked", "Col0"}));
    EXPECT_EQ(key("RiceviMosse", "FormVersion"), "0");
    EXPECT_EQ(key("RiceviMosse", "ShowCmd"), "1");
    EXPECT_EQ(key("RiceviMosse", "NormPos"), "100,100,400,300");
    EXPECT_EQ(key("RiceviMosse", "NormPos" + suffix), "100,100,400,300");
    EXPECT_EQ(key("RiceviMosse", "Visible"), "0");
    EXPECT_EQ(key("RiceviMosse", "CheckBoxScaricaTutto_Checked"), "True");
    EXPECT_EQ(key("RiceviMosse", "cbSMTP_Text"), "Zeltor (smtp.invalid:25)");
    EXPECT_EQ(key("RiceviMosse", "cbSMTP_ItemIndex"), "1");
    EXPECT_EQ(key("RiceviMosse", "ColorDialogBordo_Color"), "32896");
    EXPECT_EQ(key("RiceviMosse", "Sound1_Checked"), "True");
    EXPECT_EQ(key("RiceviMosse.cbSMTP_Items", "Count"), "2");
    EXPECT_EQ(key("RiceviMosse.cbSMTP_Items", "Item1"), "Zeltor (smtp.invalid:25)");
}

TEST_F(PlacemntTest, WithoutPlacementOptionsOnlyTheVersionAndPropertiesAreKept) {
    auto w = window();
    w->FormStorage1->SetOptions({});
    w->show();
    w->close();
    EXPECT_EQ(ini.ReadSection("RiceviMosse").mid(0, 2),
              QStringList({"FormVersion", "CheckBoxScaricaTutto_Checked"}));
    EXPECT_FALSE(ini.ValueExists("RiceviMosse", "Visible"));
    ini.WriteString("RiceviMosse", "NormPos", "10,10,50,50");
    auto again = window();
    again->FormStorage1->SetOptions({});
    again->show();
    EXPECT_EQ(again->geometry(), QRect(100, 100, 300, 200));
}

TEST_F(PlacemntTest, WhatWasSavedComesBackBeforeTheWindowsOwnShowHandler) {
    {
        auto w = window();
        w->show();
        w->setGeometry(120, 130, 320, 240);
        w->CheckBoxScaricaTutto->setChecked(true);
        w->cbSMTP->SetItems({"a", "b", "c"});
        w->cbSMTP->SetItemIndex(2);
        w->ColorDialogBordo->SetColor(0x123456);
        w->close();
    }
    auto w = window();
    w->show();
    EXPECT_TRUE(w->checkedWhenShown);
    EXPECT_EQ(w->geometry(), QRect(120, 130, 320, 240));
    EXPECT_EQ(w->cbSMTP->Items(), QStringList({"a", "b", "c"}));
    EXPECT_EQ(w->cbSMTP->ItemIndex(), 2);
    EXPECT_EQ(w->ColorDialogBordo->Color(), 0x123456);
}

TEST_F(PlacemntTest, ClosingThenDestroyingWritesOnceAndDestroyingAShownWindowWritesVisible) {
    auto w = window();
    w->show();
    w->close();
    ini.WriteString("RiceviMosse", "Visible", "closed");
    w.reset();
    EXPECT_EQ(key("RiceviMosse", "Visible"), "closed");

    auto shown = window();
    shown->show();
    shown.reset();
    EXPECT_EQ(key("RiceviMosse", "Visible"), "1");
}

TEST_F(PlacemntTest, AWindowNeverShownWritesNothing) {
    auto w = window();
    w->close();
    w.reset();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(PlacemntTest, ARefusedCloseSavesNothing) {
    auto w = window();
    w->show();
    w->refuseClose = true;
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(PlacemntTest, AnOlderStoredVersionSkipsTheRestoreAndTheNextSaveWritesTheNewOne) {
    ini.WriteString("RiceviMosse", "FormVersion", "1");
    ini.WriteString("RiceviMosse", "CheckBoxScaricaTutto_Checked", "True");
    ini.WriteString("RiceviMosse", "NormPos", "10,10,210,110");
    auto w = window();
    bool restored = false;
    w->FormStorage1->SetVersion(2);
    w->FormStorage1->OnRestorePlacement = [&](QObject*) { restored = true; };
    w->show();
    EXPECT_FALSE(restored);
    EXPECT_FALSE(w->CheckBoxScaricaTutto->isChecked());
    EXPECT_EQ(w->geometry(), QRect(100, 100, 300, 200));
    w->close();
    EXPECT_EQ(key("RiceviMosse", "FormVersion"), "2");
    EXPECT_EQ(key("RiceviMosse", "CheckBoxScaricaTutto_Checked"), "False");
}

TEST_F(PlacemntTest, UnminimisingDoesNotReloadTheSettings) {
    auto w = window();
    w->show();
    ini.WriteString("RiceviMosse", "CheckBoxScaricaTutto_Checked", "True");
    QShowEvent restore;
    QSpontaneKeyEvent::setSpontaneous(&restore);
    qApp->notify(w.get(), &restore);
    EXPECT_EQ(w->shows, 2);
    EXPECT_FALSE(w->CheckBoxScaricaTutto->isChecked());
    w->hide();
    w->show();
    EXPECT_TRUE(w->CheckBoxScaricaTutto->isChecked());
}

TEST_F(PlacemntTest, AFailedSaveIsShownAndTheCloseGoesOn) {
    ini.WriteString("Other", "Key", "1");
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    auto w = window();
    w->show();
    w->close();
    EXPECT_FALSE(w->isVisible());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith("Impossibile scrivere il file " + path));
    EXPECT_FALSE(ini.SectionExists("RiceviMosse"));
}

// A save is one rewrite: when the disk fills up part way through its keys, none of them is
// written, not the first few.
TEST_F(PlacemntTest, ASaveWritesAllItsKeysOrNone) {
    auto w = window();
    w->show();
    w->close();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();
    const int verdict = RunWithFileSizeLimit(old.size() + 16, [&] {
        w->show();
        w->CheckBoxScaricaTutto->setChecked(!w->CheckBoxScaricaTutto->isChecked());
        w->cbSMTP->addItem(QString(4000, u'x'));
        errors.clear();
        w->close();
        return errors.size() == 1 ? 0 : 1;
    });
    EXPECT_EQ(verdict, 0);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
}

TEST_F(PlacemntTest, AFailedRestoreIsShownAndTheShowGoesOn) {
    auto w = window();
    w->FormStorage1->OnRestorePlacement = [](QObject*) { throw std::runtime_error("broken"); };
    w->show();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->shows, 1);
    EXPECT_EQ(errors, QStringList({"broken"}));
}

TEST_F(PlacemntTest, ABadStoredRectangleIsNotAppliedAndOneOffEveryScreenIsBroughtBack) {
    for (const char* bad : {"500,500,400,400", "10,10,10,300", "10,10,100000,200", "x,y,z,w,",
                            "10,10,-2147483648,2147483647"}) {
        writeNormPos(bad);
        auto w = window();
        w->show();
        EXPECT_EQ(w->geometry(), QRect(100, 100, 300, 200)) << bad;
    }
    // The window system may add its frame to the position it is given.
    writeNormPos("-50000,-50000,-49700,-49800");
    auto w = window();
    w->show();
    EXPECT_EQ(w->size(), QSize(300, 200));
    EXPECT_LT((w->pos() - primaryArea().topLeft()).manhattanLength(), 20);
    writeNormPos("2147483000,10,2147483300,210");
    auto far = window();
    far->show();
    EXPECT_EQ(far->size(), QSize(300, 200));
    EXPECT_LT((far->pos() - primaryArea().topLeft()).manhattanLength(), 20);
}

TEST_F(PlacemntTest, PositionKeysFallBackToThePlainKeyAndNeedTheSamePixelDensity) {
    ini.WriteString("RiceviMosse", "NormPos(1x1)", "1,2,3,4");
    ini.WriteString("RiceviMosse", "NormPos", "40,50,240,150");
    auto w = window();
    w->show();
    EXPECT_EQ(w->geometry(), QRect(40, 50, 200, 100));
    w->hide();
    ini.WriteString("RiceviMosse", "NormPos" + ScreenSizeSuffix(), "60,70,260,170");
    w->show();
    EXPECT_EQ(w->geometry(), QRect(60, 70, 200, 100));
    w->hide();
    ini.WriteInteger("RiceviMosse", "PixelsPerInch", ScreenPixelsPerInch() + 1);
    ini.WriteString("RiceviMosse", "NormPos" + ScreenSizeSuffix(), "10,10,110,110");
    w->show();
    EXPECT_EQ(w->geometry(), QRect(60, 70, 200, 100));
}

TEST_F(PlacemntTest, TwoNumbersGiveTheRightAndBottomFromTheCurrentGeometry) {
    ini.WriteString("RiceviMosse", "NormPos", "40,50");
    auto w = window();
    w->show();
    EXPECT_EQ(w->geometry(), QRect(40, 50, 360, 250));
}

TEST_F(PlacemntTest, AFixedSizeWindowKeepsItsSize) {
    ini.WriteString("RiceviMosse", "NormPos", "40,50,90,90");
    auto w = window();
    w->setFixedSize(300, 200);
    w->show();
    EXPECT_EQ(w->geometry(), QRect(40, 50, 300, 200));
}

TEST_F(PlacemntTest, TheShowCommandRestoresTheState) {
    ini.WriteInteger("RiceviMosse", "ShowCmd", 7);
    auto w = window();
    w->show();
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
    w->hide();
    ini.WriteInteger("RiceviMosse", "ShowCmd", 3);
    w->show();
    EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
    w->hide();
    ini.WriteInteger("RiceviMosse", "ShowCmd", 4);
    w->setWindowState(Qt::WindowNoState);
    w->show();
    EXPECT_EQ(w->windowState(), Qt::WindowNoState);
}

TEST_F(PlacemntTest, AModalDialogIsNeverRestoredMinimised) {
    ini.WriteInteger("RivediMessaggi", "ShowCmd", 2);
    TStoredForm<TFormDialog> dialog(path);
    dialog.setModal(true);
    dialog.show();
    EXPECT_FALSE(dialog.windowState() & Qt::WindowMinimized);
}

TEST_F(PlacemntTest, ADialogEndedThroughDoneSavesOnce) {
    TStoredForm<TFormDialog> dialog(path);
    dialog.show();
    dialog.accept();
    EXPECT_EQ(dialog.saves, 1);
    EXPECT_EQ(key("RivediMessaggi", "NormPos"), "50,60,250,160");
    dialog.show();
    dialog.close();
    EXPECT_EQ(dialog.saves, 2);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(PlacemntTest, ADialogWithAParentKeepsItsOwnPlacementAndSection) {
    QWidget main;
    main.setObjectName("FormMain");
    TStoredForm<TFormDialog> dialog(path, &main);
    auto* manager = new QObject(&dialog);
    manager->setObjectName("MRUManager1");
    EXPECT_EQ(GetDefaultSection(&dialog), "TFormDialog");
    EXPECT_EQ(GetDefaultSection(manager), "TFormDialog.MRUManager1");
    dialog.show();
    dialog.accept();
    EXPECT_EQ(dialog.saves, 1);
    EXPECT_EQ(key("RivediMessaggi", "NormPos"), "50,60,250,160");
}

TEST_F(PlacemntTest, QuotedValuesGetOneMorePairAndComeBackAsTheyWere) {
    auto w = window();
    for (const QString& value : {QString("\"quoted\""), QString("'single'"), QString("\""),
                                 QString("'"), QString("\"mixed'"), QString()}) {
        w->FormStorage1->WriteString("Text", value);
        EXPECT_EQ(w->FormStorage1->ReadString("Text"), value) << value.toStdString();
    }
    w->FormStorage1->WriteString("Text", "\"x\"");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Text=\"\"x\"\""));
    w->FormStorage1->WriteInteger("Count", 0x2A);
    EXPECT_EQ(w->FormStorage1->ReadInteger("Count", 0), 42);
    EXPECT_FALSE(w->FormStorage1->IniFile());
}

TEST_F(PlacemntTest, LinksKeepSubSectionsDuringSaveAndRestore) {
    auto w = window();
    TIniLink link;
    link.SetStorage(w->FormStorage1);
    EXPECT_EQ(link.RootSection(), "RiceviMosse\\");
    link.OnSave = [&](TIniLink* sender) {
        EXPECT_EQ(sender, &link);
        ASSERT_TRUE(link.IniObject());
        IniWriteString(link.IniObject(), link.RootSection() + "Sub", "Key", "saved");
    };
    QString loaded;
    link.OnLoad = [&](TIniLink*) {
        loaded = IniReadString(link.IniObject(), link.RootSection() + "Sub", "Key", "none");
    };
    w->show();
    EXPECT_EQ(loaded, "none");
    w->close();
    EXPECT_EQ(key("RiceviMosse\\Sub", "Key"), "saved");
    w->show();
    EXPECT_EQ(loaded, "saved");
    link.SetStorage(nullptr);
    EXPECT_EQ(link.RootSection(), "");
    EXPECT_FALSE(link.IniObject());
}

TEST_F(PlacemntTest, EraseSectionsRemovesTheSectionAndItsSubSections) {
    for (const char* section : {"RiceviMosse", "riceviMosse.cbSMTP_Items", "RiceviMosse\\TX.M",
                                "RiceviMosseAltro", "Other"})
        ini.WriteString(section, "k", "v");
    auto w = window();
    w->FormStorage1->EraseSections();
    EXPECT_EQ(ini.ReadSections(), QStringList({"RiceviMosseAltro", "Other"}));
}

TEST_F(PlacemntTest, StoredValuesAreCodedWithTheirKeyAndPassThroughTheirEvents) {
    auto w = window();
    TStoredValues* values = w->FormStorage1->StoredValues();
    w->FormStorage1->SetStoredValue("Secret", "pw");
    values->StoredValue("secret")->KeyString = "k";
    w->FormStorage1->SetStoredValue("Plain", 5);
    values->StoredValue("Plain")->OnSave = [](TStoredValue*, QVariant& v) { v = v.toInt() * 2; };
    EXPECT_THROW(values->Items(1)->SetName("SECRET"), std::invalid_argument);
    EXPECT_EQ(values->Items(1)->GetDisplayName(), "Plain");
    w->show();
    w->close();
    EXPECT_EQ(key("RiceviMosse", "Secret"), XorEncode("k", "pw"));
    EXPECT_EQ(key("RiceviMosse", "Plain"), "10");
    values->StoredValue("Plain")->OnRestore = [](TStoredValue*, QVariant& v) {
        v = v.toString() + "!";
    };
    w->FormStorage1->SetStoredValue("Secret", "changed");
    w->show();
    EXPECT_EQ(w->FormStorage1->StoredValue("Secret"), QVariant("pw"));
    EXPECT_EQ(w->FormStorage1->StoredValue("plain"), QVariant("10!"));
    EXPECT_FALSE(w->FormStorage1->StoredValue("unknown").isValid());
}

TEST_F(PlacemntTest, EntriesOfADestroyedComponentAreDropped) {
    auto w = window();
    delete w->ColorDialogBordo;
    EXPECT_EQ(w->FormStorage1->StoredProps().size(), 5);
    w->show();
    w->close();
    EXPECT_FALSE(ini.ValueExists("RiceviMosse", "ColorDialogBordo_Color"));
}

TEST_F(PlacemntTest, PreventResizeKeepsTheSizeButNotThePosition) {
    ini.WriteString("RiceviMosse", "NormPos", "10,20,410,320");
    auto w = window();
    w->FormStorage1->SetPreventResize(true);
    w->show();
    EXPECT_EQ(w->geometry(), QRect(10, 20, 300, 200));
    EXPECT_EQ(w->minimumSize(), QSize(300, 200));
    EXPECT_EQ(w->maximumSize(), QSize(300, 200));
    w->FormStorage1->SetPreventResize(false);
    w->FormStorage1->MinMaxInfo()->SetValue(TWinMinMaxInfo::MinTrackWidth, 150);
    EXPECT_EQ(w->minimumSize(), QSize(150, 0));
    EXPECT_EQ(w->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

TEST_F(PlacemntTest, PreventResizeTakesTheMaximizeIconAwayWhileItLasts) {
    const Qt::WindowFlags others = Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    struct Case {
        const char* name;
        std::function<std::unique_ptr<QWidget>()> make;
        bool shown;
        bool maximizeBack; // when PreventResize is off again
    };
    const Case cases[] = {
        {"window", [this] { return std::unique_ptr<QWidget>(window()); }, true, true},
        {"hidden window", [this] { return std::unique_ptr<QWidget>(window()); }, false, true},
        {"window without the icon",
         [this, others] {
             std::unique_ptr<QWidget> w = window();
             w->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | others);
             return w;
         },
         true, false},
        {"dialog", [this] { return std::unique_ptr<QWidget>(new TStoredForm<TFormDialog>(path)); },
         true, false},
        {"kept from the start",
         [this] { return std::unique_ptr<QWidget>(new TStoredForm<TFormFixed>(path)); }, true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QWidget> w = c.make();
        auto* store = w->findChild<TFormStorage*>();
        ASSERT_TRUE(store);
        if (c.shown) {
            w->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        }
        const QWindow* handle = w->windowHandle();
        store->SetPreventResize(true);
        EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_FALSE(platform::FormBorderIcons(w->windowFlags()) & platform::biMaximize);
        if (QString(c.name) != "dialog") {
            EXPECT_EQ(w->windowFlags() & others, others) << "the other icons stay";
        }
        EXPECT_EQ(w->isVisible(), c.shown);
        EXPECT_EQ(w->windowHandle(), handle) << "the window is changed in place";
        if (c.shown) {
            EXPECT_TRUE(w->windowHandle()->isVisible());
        }

        store->SetPreventResize(false);
        EXPECT_EQ(bool(w->windowFlags() & Qt::WindowMaximizeButtonHint), c.maximizeBack);
        EXPECT_EQ(w->isVisible(), c.shown);
        store->SetPreventResize(true);
        EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    }
}

TEST_F(PlacemntTest, DefaultSectionsAndFileNames) {
    auto w = window();
    auto* manager = new QObject(w.get());
    manager->setObjectName("MRUManager1");
    EXPECT_EQ(GetDefaultSection(nullptr), "");
    EXPECT_EQ(GetDefaultSection(w.get()), "TFormRicevi");
    EXPECT_EQ(GetDefaultSection(w->cbSMTP), "TFormRicevicbSMTP");
    EXPECT_EQ(GetDefaultSection(manager), "TFormRicevi.MRUManager1");
    QObject loose;
    loose.setObjectName("Loose");
    EXPECT_EQ(GetDefaultSection(&loose), "Loose");
    w->FormStorage1->SetIniSection("");
    EXPECT_EQ(w->FormStorage1->GetIniSection(), "TFormRicevi");

    EXPECT_EQ(GetDefaultIniName(), "test_storage.INI");
    EXPECT_EQ(GetDefaultIniRegKey(), "Software\\test_storage");
    DefCompanyName = "Acme";
    RegUseAppTitle = true;
    QGuiApplication::setApplicationDisplayName("Quendel");
    EXPECT_EQ(GetDefaultIniRegKey(), "Software\\Acme\\Quendel");
    DefCompanyName.clear();
    RegUseAppTitle = false;
    QGuiApplication::setApplicationDisplayName(QString());
    OnGetDefaultIniName = [] { return QString("Custom.ini"); };
    EXPECT_EQ(GetDefaultIniName(), "Custom.ini");
    QString file;
    QString section;
    GetDefaultIniData(w->cbSMTP, file, section, false);
    EXPECT_EQ(file, path);
    EXPECT_EQ(section, "TFormRicevicbSMTP");
    GetDefaultIniData(&loose, file, section, false);
    EXPECT_EQ(file, "Custom.ini");
    OnGetDefaultIniName = nullptr;
}

TEST_F(PlacemntTest, TheFreeFunctionsKeepAPlacementUnderTheClassName) {
    QWidget form;
    form.setGeometry(30, 40, 200, 150);
    SaveFormPlacement(&form, path, false);
    EXPECT_EQ(key("QWidget", "NormPos"), "30,40,230,190");
    form.setGeometry(0, 0, 50, 50);
    RestoreFormPlacement(&form, path, false);
    EXPECT_EQ(form.geometry(), QRect(30, 40, 200, 150));
}

} // namespace

#include "PlacemntTest.moc"
