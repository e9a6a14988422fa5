#include "storage/KXProps.h"
#include "platform/IniFile.h"
#include "storage/Apputils.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

class Font : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name MEMBER Name)
    Q_PROPERTY(int Size MEMBER Size)
public:
    using TPersistent::TPersistent;
    QString Name = "Arial";
    int Size = 8;
};

class Column : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(int Width MEMBER Width)
public:
    int Width = 64;
};

// A component with a property of every kind the store knows.
class Gadget : public QObject {
    Q_OBJECT
public:
    enum Colour { Red, Green, Blue };
    Q_ENUM(Colour)
    enum Option { Bold = 1, Italic = 2, Underline = 4, Strike = 8 };
    Q_DECLARE_FLAGS(Options, Option)
    Q_FLAG(Options)

private:
    Q_PROPERTY(int Number MEMBER Number)
    Q_PROPERTY(char Letter MEMBER Letter)
    Q_PROPERTY(QChar Wide MEMBER Wide)
    Q_PROPERTY(bool Checked MEMBER Checked)
    Q_PROPERTY(Colour Hue MEMBER Hue)
    Q_PROPERTY(float Single MEMBER Single)
    Q_PROPERTY(double Value MEMBER Value)
    Q_PROPERTY(QByteArray Short MEMBER Short)
    Q_PROPERTY(QString Text MEMBER Text)
    Q_PROPERTY(Options Style READ style WRITE setStyle)
    Q_PROPERTY(QVariant Any MEMBER Any)
    Q_PROPERTY(qint64 Big MEMBER Big)
    Q_PROPERTY(QStringList Items MEMBER Items)
    Q_PROPERTY(Font* Font MEMBER font)
    Q_PROPERTY(TCollection* Columns MEMBER columns)
    Q_PROPERTY(QObject* Link MEMBER Link)
    Q_PROPERTY(QPoint Where MEMBER Where)

public:
    explicit Gadget(QObject* parent = nullptr) : QObject(parent) {}
    Options style() const { return Style; }
    void setStyle(Options value) { Style = value; }

    int Number = 0;
    char Letter = 'a';
    QChar Wide = u'w';
    bool Checked = false;
    Colour Hue = Red;
    float Single = 0;
    double Value = 0;
    QByteArray Short;
    QString Text;
    Options Style;
    QVariant Any;
    qint64 Big = 0;
    QStringList Items;
    Font* font = new Font(this);
    TCollection* columns = new TCollection([] { return new Column; }, this);
    QObject* Link = nullptr;
    QPoint Where;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(Gadget::Options)

namespace {

class KXPropsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TIniFile ini{dir.filePath("Quendel.ini")};
    QWidget form;
    Gadget* gadget = new Gadget(&form);
    QObject* target = new QObject(&form);

    void SetUp() override {
        form.setObjectName("FormTest");
        gadget->setObjectName("Gadget1");
        target->setObjectName("Target1");
    }

    TPropsStorage storage() {
        TPropsStorage s;
        s.Section = "Test";
        s.OnReadString = [this](const QString& section, const QString& key, const QString& def) {
            return IniReadString(&ini, section, key, def);
        };
        s.OnWriteString = [this](const QString& section, const QString& key, const QString& value) {
            IniWriteString(&ini, section, key, value);
        };
        s.OnEraseSection = [this](const QString& section) { ini.EraseSection(section); };
        return s;
    }

    static TStoredList entries(const QStringList& texts) {
        TStoredList list;
        for (const QString& text : texts)
            list.append(TStoredEntry{text, nullptr});
        return list;
    }

    void store(const QStringList& props) {
        TStoredList list = entries(props);
        UpdateStoredList(&form, list, true);
        storage().StoreObjectsProps(&form, list);
    }

    void load(const QStringList& props) {
        TStoredList list = entries(props);
        UpdateStoredList(&form, list, true);
        storage().LoadObjectsProps(&form, list);
    }

    QString key(const QString& name) { return ini.ReadString("Test", name, "<missing>"); }
};

TEST_F(KXPropsTest, EachKindIsStoredInItsTextForm) {
    gadget->Number = -42;
    gadget->Letter = 'q';
    gadget->Wide = u'\u00e8';
    gadget->Checked = true;
    gadget->Hue = Gadget::Blue;
    gadget->Single = 1.5f;
    gadget->Value = 4444;
    gadget->Short = "short";
    gadget->Text = "  long text ";
    gadget->Style = Gadget::Bold | Gadget::Strike;
    gadget->Any = 12;
    gadget->Big = 1234567890123LL;
    store({"Gadget1.Number", "Gadget1.Letter", "Gadget1.Wide", "Gadget1.Checked", "Gadget1.Hue",
           "Gadget1.Single", "Gadget1.Value", "Gadget1.Short", "Gadget1.Text", "Gadget1.Style",
           "Gadget1.Any", "Gadget1.Big", "Gadget1.Where"});
    EXPECT_EQ(key("Gadget1_Number"), "-42");
    EXPECT_EQ(key("Gadget1_Letter"), "q");
    EXPECT_EQ(key("Gadget1_Wide"), QString::fromUtf8("è"));
    EXPECT_EQ(key("Gadget1_Checked"), "True");
    EXPECT_EQ(key("Gadget1_Hue"), "Blue");
    EXPECT_EQ(key("Gadget1_Single"), "1.5");
    EXPECT_EQ(key("Gadget1_Value"), "4444");
    EXPECT_EQ(key("Gadget1_Short"), "short");
    EXPECT_EQ(key("Gadget1_Text"), "long text");
    EXPECT_EQ(key("Gadget1_Style"), "[Bold,Strike]");
    EXPECT_EQ(key("Gadget1_Any"), "12");
    EXPECT_EQ(key("Gadget1_Big"), "1234567890123");
    EXPECT_EQ(key("Gadget1_Where"), "<missing>");
    EXPECT_EQ(ini.ReadSection("Test").first(), "Gadget1_Number");
}

TEST_F(KXPropsTest, EveryKindRoundTripsThroughTheFile) {
    gadget->Number = 7;
    gadget->Letter = 'z';
    gadget->Wide = u'W';
    gadget->Checked = true;
    gadget->Hue = Gadget::Green;
    gadget->Single = 0.1f;
    gadget->Value = 1.0 / 3;
    gadget->Short = "bytes";
    gadget->Text = "\"quoted\"";
    gadget->Style = Gadget::Italic | Gadget::Underline;
    gadget->Any = "anything";
    gadget->Big = -9000000000LL;
    // A variant is read only over a current value that is not empty, like every kind but the
    // strings.
    const QStringList props{"Gadget1.Number", "Gadget1.Letter", "Gadget1.Wide",  "Gadget1.Checked",
                            "Gadget1.Hue",    "Gadget1.Single", "Gadget1.Value", "Gadget1.Short",
                            "Gadget1.Text",   "Gadget1.Style",  "Gadget1.Any",   "Gadget1.Big"};
    store(props);
    gadget->Number = 0;
    gadget->Letter = 'a';
    gadget->Wide = u'a';
    gadget->Checked = false;
    gadget->Hue = Gadget::Red;
    gadget->Single = 0;
    gadget->Value = 0;
    gadget->Short.clear();
    gadget->Text.clear();
    gadget->Style = {};
    gadget->Any = "design";
    gadget->Big = 0;
    load(props);
    EXPECT_EQ(gadget->Number, 7);
    EXPECT_EQ(gadget->Letter, 'z');
    EXPECT_EQ(gadget->Wide, u'W');
    EXPECT_TRUE(gadget->Checked);
    EXPECT_EQ(gadget->Hue, Gadget::Green);
    EXPECT_FLOAT_EQ(gadget->Single, 0.1f);
    EXPECT_NEAR(gadget->Value, 1.0 / 3, 1e-15);
    EXPECT_EQ(gadget->Short, "bytes");
    EXPECT_EQ(gadget->Text, "\"quoted\"");
    EXPECT_EQ(gadget->Style, Gadget::Italic | Gadget::Underline);
    EXPECT_EQ(gadget->Any, QVariant("anything"));
    EXPECT_EQ(gadget->Big, -9000000000LL);
}

TEST_F(KXPropsTest, FloatsUseAPointUnderACommaLocale) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    gadget->Value = 4444.5;
    store({"Gadget1.Value"});
    EXPECT_EQ(key("Gadget1_Value"), "4444.5");
    gadget->Value = 0;
    load({"Gadget1.Value"});
    EXPECT_DOUBLE_EQ(gadget->Value, 4444.5);
    ini.WriteString("Test", "Gadget1_Value", "1,234.5");
    load({"Gadget1.Value"});
    EXPECT_DOUBLE_EQ(gadget->Value, 4444.5);
    QLocale::setDefault(previous);
}

TEST_F(KXPropsTest, FloatTextIsTheGeneralFormat) {
    EXPECT_EQ(FloatToText(4444, 15), "4444");
    EXPECT_EQ(FloatToText(-0.25, 15), "-0.25");
    EXPECT_EQ(FloatToText(0.00001, 15), "0.00001");
    EXPECT_EQ(FloatToText(0.000001, 15), "1E-6");
    EXPECT_EQ(FloatToText(1e20, 15), "1E20");
    EXPECT_EQ(FloatToText(123456789, 7), "1.234568E8");
    EXPECT_EQ(FloatToText(0.1f, 7), "0.1");
    EXPECT_EQ(FloatToText(0, 15), "0");
}

TEST_F(KXPropsTest, BadTextsAreSkippedOrGiveZeroAsEachKindDemands) {
    gadget->Number = 5;
    gadget->Hue = Gadget::Green;
    gadget->Value = 2.5;
    gadget->Style = Gadget::Bold;
    gadget->Checked = true;
    gadget->Letter = 'k';
    ini.WriteString("Test", "Gadget1_Number", "not a number");
    ini.WriteString("Test", "Gadget1_Hue", "Purple");
    ini.WriteString("Test", "Gadget1_Value", "4,4,4");
    ini.WriteString("Test", "Gadget1_Style", "[italic, Sparkle,STRIKE]");
    ini.WriteString("Test", "Gadget1_Checked", "maybe");
    ini.WriteString("Test", "Gadget1_Letter", "");
    load({"Gadget1.Number", "Gadget1.Hue", "Gadget1.Value", "Gadget1.Style", "Gadget1.Checked",
          "Gadget1.Letter"});
    EXPECT_EQ(gadget->Number, 0);
    EXPECT_EQ(gadget->Hue, Gadget::Green);
    EXPECT_DOUBLE_EQ(gadget->Value, 2.5);
    EXPECT_EQ(gadget->Style, Gadget::Italic | Gadget::Strike);
    EXPECT_TRUE(gadget->Checked);
    EXPECT_EQ(gadget->Letter, 'k');
    ini.WriteString("Test", "Gadget1_Number", "99999999999");
    load({"Gadget1.Number"});
    EXPECT_EQ(gadget->Number, 0);
}

TEST_F(KXPropsTest, StoredBooleansAreReadInAnyCase) {
    for (const auto& [text, value] : std::vector<std::pair<const char*, bool>>{
             {"true", true}, {"FALSE", false}, {"TrUe", true}, {"false", false}, {"True", true}}) {
        gadget->Checked = !value;
        ini.WriteString("Test", "Gadget1_Checked", text);
        load({"Gadget1.Checked"});
        EXPECT_EQ(gadget->Checked, value) << text;
    }
}

TEST_F(KXPropsTest, AnAbsentKeyLeavesThePropertyAsItWas) {
    gadget->Number = 12;
    gadget->Text = "kept";
    gadget->Items = {"a", "b"};
    load({"Gadget1.Number", "Gadget1.Text", "Gadget1.Items"});
    EXPECT_EQ(gadget->Number, 12);
    EXPECT_EQ(gadget->Text, "kept");
    EXPECT_EQ(gadget->Items, QStringList({"a", "b"}));
}

TEST_F(KXPropsTest, AnEmptyStringIsWrittenAndReadBackEmpty) {
    gadget->Text.clear();
    gadget->Number = -1;
    store({"Gadget1.Text", "Gadget1.Number"});
    EXPECT_EQ(key("Gadget1_Text"), "");
    EXPECT_EQ(key("Gadget1_Number"), "-1");
    gadget->Text = "design";
    load({"Gadget1.Text"});
    EXPECT_EQ(gadget->Text, "");
}

TEST_F(KXPropsTest, StringListsHaveASectionOfTheirOwn) {
    gadget->Items = {"uno", "\"due\"", " tre"};
    store({"Gadget1.Items"});
    EXPECT_EQ(ini.ReadString("Test.Gadget1_Items", "Count", ""), "3");
    EXPECT_EQ(ini.ReadString("Test.Gadget1_Items", "Item0", ""), "uno");
    EXPECT_EQ(ini.ReadString("Test.Gadget1_Items", "Item1", ""), "\"due\"");
    EXPECT_EQ(key("Gadget1_Items"), "<missing>");
    gadget->Items.clear();
    load({"Gadget1.Items"});
    EXPECT_EQ(gadget->Items, QStringList({"uno", "\"due\"", "tre"}));
}

TEST_F(KXPropsTest, AnEmptiedListErasesItsSectionAndTheNextLoadKeepsTheDesignedItems) {
    gadget->Items = {"one"};
    store({"Gadget1.Items"});
    gadget->Items.clear();
    store({"Gadget1.Items"});
    EXPECT_FALSE(ini.SectionExists("Test.Gadget1_Items"));
    gadget->Items = {"designed"};
    load({"Gadget1.Items"});
    EXPECT_EQ(gadget->Items, QStringList({"designed"}));
}

TEST_F(KXPropsTest, AHugeCountIsBounded) {
    ini.WriteString("Test.Gadget1_Items", "Count", "2147483647");
    ini.WriteString("Test.Gadget1_Items", "Item0", "first");
    load({"Gadget1.Items"});
    EXPECT_EQ(gadget->Items.size(), MaxStoredCount);
    EXPECT_EQ(gadget->Items.first(), "first");
    ini.WriteString("Test", "Gadget1_Columns.Count", "999999999");
    load({"Gadget1.Columns"});
    EXPECT_EQ(gadget->columns->Count(), MaxStoredCount);
    ini.WriteString("Test", "Gadget1_Columns.Count", "-5");
    load({"Gadget1.Columns"});
    EXPECT_EQ(gadget->columns->Count(), 0);
}

TEST_F(KXPropsTest, NestedObjectsUseTheirOwnersPrefixWithoutDelimiter) {
    gadget->font->Name = "Courier";
    gadget->font->Size = 10;
    store({"Gadget1.Font"});
    EXPECT_EQ(key("Gadget1_FontName"), "Courier");
    EXPECT_EQ(key("Gadget1_FontSize"), "10");
    gadget->font->Name = "Other";
    gadget->font->Size = 1;
    load({"Gadget1.Font"});
    EXPECT_EQ(gadget->font->Name, "Courier");
    EXPECT_EQ(gadget->font->Size, 10);
}

TEST_F(KXPropsTest, CollectionsStoreTheirItemsInASectionOfTheirOwn) {
    static_cast<Column*>(gadget->columns->Add())->Width = 10;
    static_cast<Column*>(gadget->columns->Add())->Width = 20;
    store({"Gadget1.Columns"});
    EXPECT_EQ(key("Gadget1_Columns.Count"), "2");
    EXPECT_EQ(ini.ReadString("Test.Gadget1_Columns", "Item0_Width", ""), "10");
    EXPECT_EQ(ini.ReadString("Test.Gadget1_Columns", "Item1_Width", ""), "20");
    gadget->columns->Clear();
    gadget->columns->Add();
    load({"Gadget1.Columns"});
    ASSERT_EQ(gadget->columns->Count(), 2);
    EXPECT_EQ(static_cast<Column*>(gadget->columns->Items(1))->Width, 20);
}

TEST_F(KXPropsTest, ComponentReferencesByNameAndByOwner) {
    gadget->Link = target;
    store({"Gadget1.Link"});
    EXPECT_EQ(key("Gadget1_Link"), "Target1");
    gadget->Link = nullptr;
    load({"Gadget1.Link"});
    EXPECT_EQ(gadget->Link, target);
    store({"Gadget1.Link"});
    gadget->Link = nullptr;
    store({"Gadget1.Link"});
    EXPECT_EQ(key("Gadget1_Link"), "(null)");
    gadget->Link = target;
    load({"Gadget1.Link"});
    EXPECT_EQ(gadget->Link, nullptr);

    QWidget other;
    other.setObjectName("FormOther");
    auto* remote = new QObject(&other);
    remote->setObjectName("Remote");
    gadget->Link = remote;
    store({"Gadget1.Link"});
    EXPECT_EQ(key("Gadget1_Link"), "FormOther.Remote");
    gadget->Link = nullptr;
    ini.WriteString("Test", "Gadget1_Link", " formother . REMOTE ");
    load({"Gadget1.Link"});
    EXPECT_EQ(gadget->Link, remote);
}

TEST_F(KXPropsTest, StoredListEntriesAreValidatedBoundAndRenamed) {
    QString component;
    QString property;
    EXPECT_TRUE(ParseStoredItem(" Gadget1 . Text.More ", component, property));
    EXPECT_EQ(component, "Gadget1");
    EXPECT_EQ(property, "Text.More");
    EXPECT_FALSE(ParseStoredItem("NoPoint", component, property));
    EXPECT_FALSE(ParseStoredItem(".Text", component, property));
    EXPECT_EQ(CreateStoredItem("A", ""), "");
    TStoredList list = entries({"gadget1.Text", "Missing.Text", "bad", "Target1.objectName"});
    UpdateStoredList(&form, list, true);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.at(0).Object, gadget);
    gadget->setObjectName("Renamed");
    UpdateStoredList(&form, list, false);
    EXPECT_EQ(list.at(0).Text, "Renamed.Text");
    delete target;
    UpdateStoredList(&form, list, false);
    EXPECT_EQ(list.size(), 1);
}

TEST_F(KXPropsTest, PropertyListsFindIgnoringCaseAndIntersect) {
    const TPropInfoList all(gadget, tkProperties);
    ASSERT_NE(all.Find("checked"), nullptr);
    EXPECT_STREQ(all.Find("CHECKED")->name(), "Checked");
    EXPECT_EQ(all.Find("Where"), nullptr);
    EXPECT_EQ(all.Find("objectName"), nullptr);
    TPropInfoList font(gadget->font, tkProperties);
    EXPECT_EQ(font.Count(), 2);
    TPropInfoList mixed(gadget, tkProperties);
    mixed.Intersect(TPropInfoList(gadget->font, tkProperties));
    EXPECT_EQ(mixed.Count(), 0);
    EXPECT_EQ(TPropInfoList(nullptr, tkProperties).Count(), 0);
}

} // namespace

#include "KXPropsTest.moc"

namespace {

// Names need not be unique: entries bound to namesakes of two classes each reach their own
// object's property.
TEST_F(KXPropsTest, NamesakesOfTwoClassesKeepTheirOwnProperties) {
    auto* twin = new Gadget(&form);
    twin->setObjectName("Twin");
    twin->Number = 7;
    auto* column = new Column;
    column->setParent(&form);
    column->setObjectName("twin");
    column->Width = 90;
    TStoredList list{TStoredEntry{"Twin.Number", twin}, TStoredEntry{"twin.Width", column}};
    UpdateStoredList(&form, list, false);
    storage().StoreObjectsProps(&form, list);
    EXPECT_EQ(key("Twin_Number"), "7");
    EXPECT_EQ(key("twin_Width"), "90");
    IniWriteString(&ini, "Test", "twin_Width", "120");
    storage().LoadObjectsProps(&form, list);
    EXPECT_EQ(column->Width, 120);
    EXPECT_EQ(twin->Number, 7);
}

TEST_F(KXPropsTest, TheInfoListHoldsEachBoundComponentsPropertiesOnceByName) {
    TStoredList list =
        entries({"Target1.objectName", "gadget1.Text", "Gadget1.Number", "Missing.X"});
    UpdateStoredList(&form, list, true);
    list.append(TStoredEntry{"Unbound.Text", nullptr});
    std::unique_ptr<TInfoLists> lists = CreateInfoList(&form, list);
    EXPECT_EQ(list.size(), 3) << "the unbound entry is dropped";
    ASSERT_NE(lists, nullptr);
    QStringList names;
    for (const auto& [name, props] : *lists)
        names.append(name);
    EXPECT_EQ(names, QStringList({"Gadget1", "Target1"}));
    EXPECT_NE(lists->at("GADGET1").Find("number"), nullptr);
    EXPECT_EQ(lists->at("Gadget1").Count(), TPropInfoList(gadget, tkProperties).Count());
    EXPECT_EQ(lists->at("Target1").Count(), 0);
    FreeInfoLists(lists);
    EXPECT_EQ(lists, nullptr);
}

} // namespace
