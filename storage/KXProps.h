#pragma once
// Writes properties of a window's components into an INI section and reads them back, driven by
// the meta-object system: the property's kind decides its text form. It never touches a file:
// it reads, writes and erases through three callbacks.

#include "platform/Classes.h"

#include <QList>
#include <QMetaProperty>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,
    tkWString,
    tkVariant,
    tkArray,
    tkRecord,
    tkInterface,
    tkInt64,
    tkDynArray
};

using TTypeKinds = unsigned;
constexpr TTypeKinds KindBit(TTypeKind kind) {
    return 1u << kind;
}
// Every kind but "unknown" and "method": events are never stored.
constexpr TTypeKinds tkProperties = ~(KindBit(tkUnknown) | KindBit(tkMethod));

TTypeKind PropKind(const QMetaProperty& PropInfo);

// The delimiter between a component's name and its property's name in a key ("Sound1_Checked").
extern const QString sPropNameDelimiter;

// String lists and collections read from a file never grow beyond this many items.
constexpr int MaxStoredCount = 10000;

// One entry of a store's StoredProps: "Component.Property" and the component it is bound to.
struct TStoredEntry {
    QString Text;
    QPointer<QObject> Object;
};
using TStoredList = QList<TStoredEntry>;

// The properties of one object whose kinds are in a filter, sorted by name.
class TPropInfoList {
public:
    TPropInfoList(const QObject* AObject, TTypeKinds Filter);

    int Count() const { return int(list_.size()); }
    const QMetaProperty& Get(int Index) const { return list_.at(Index); }
    // The property of that name ignoring ASCII case, or none.
    const QMetaProperty* Find(const QString& AName) const;
    bool Contains(const QMetaProperty& PropInfo) const;
    void Delete(int Index) { list_.removeAt(Index); }
    // Keeps only the properties the other list contains too.
    void Intersect(const TPropInfoList& List);
    // The class the list was made for.
    const QMetaObject* MetaObject() const { return meta_; }

private:
    const QMetaObject* meta_ = nullptr;
    QList<QMetaProperty> list_;
};

// The property lists of the components a stored list is bound to, one per component name, sorted
// by name ignoring case.
struct TNameLess {
    bool operator()(const QString& a, const QString& b) const {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }
};
using TInfoLists = std::map<QString, TPropInfoList, TNameLess>;

// Brings the stored list up to date (as UpdateStoredList does before a window is written, so
// unbound entries go) and lists the properties of each component it is bound to.
std::unique_ptr<TInfoLists> CreateInfoList(QObject* AComponent, TStoredList& StoredList);
void FreeInfoLists(std::unique_ptr<TInfoLists>& List);

using TReadStrEvent =
    std::function<QString(const QString& ASection, const QString& Item, const QString& Default)>;
using TWriteStrEvent =
    std::function<void(const QString& ASection, const QString& Item, const QString& Value)>;
using TEraseSectEvent = std::function<void(const QString& ASection)>;

class TPropsStorage {
public:
    TPropsStorage() = default;
    virtual ~TPropsStorage() = default;

    QObject* AObject = nullptr;
    QObject* Owner = nullptr;
    QString Prefix;
    QString Section;
    TReadStrEvent OnReadString;
    TWriteStrEvent OnWriteString;
    TEraseSectEvent OnEraseSection;

    void StoreObjectsProps(QObject* AComponent, TStoredList& StoredList);
    void LoadObjectsProps(QObject* AComponent, TStoredList& StoredList);
    void StoreProperties(const QStringList& PropList);
    void LoadProperties(const QStringList& PropList);
    void StoreAnyProperty(const QMetaProperty* PropInfo);
    // A property that fails to load is skipped without a message.
    void LoadAnyProperty(const QMetaProperty* PropInfo);

protected:
    virtual QString ReadString(const QString& ASection, const QString& Item,
                               const QString& Default);
    virtual void WriteString(const QString& ASection, const QString& Item, const QString& Value);
    virtual void EraseSection(const QString& ASection);
    virtual QString GetItemName(const QString& APropName) const { return Prefix + APropName; }
    virtual std::unique_ptr<TPropsStorage> CreateStorage() const;

private:
    template <class Walk> void walkStoredList(QObject* AComponent, TStoredList& List, Walk walk);
    std::unique_ptr<TPropsStorage> nested(QObject* object, const QString& prefix,
                                          const QString& section) const;
    void storeAll();
    void loadAll();
    void storeProperty(const QMetaProperty& p, const QString& name);
    void loadProperty(const QMetaProperty& p, const QString& name);
    QString storeClassProperty(const QMetaProperty& p, const QString& name);
    void loadClassProperty(const QMetaProperty& p, const QString& name, const QString& text);
    void storeCollection(TCollection* collection, const QString& name);
    void loadCollection(TCollection* collection, const QString& name);
    void loadComponentReference(const QMetaProperty& p, const QString& text);
};

bool ParseStoredItem(const QString& Item, QString& CompName, QString& PropName);
QString CreateStoredItem(const QString& CompName, const QString& PropName);
// Drops invalid entries; FromForm binds each entry to the component of its name (dropping those
// that do not exist), otherwise each bound entry is renamed after its component's current name
// and unbound ones are dropped.
void UpdateStoredList(QObject* AComponent, TStoredList& AStoredList, bool FromForm);

// The general floating-point text of the profile format: "." as separator whatever the locale.
QString FloatToText(double Value, int Precision);
