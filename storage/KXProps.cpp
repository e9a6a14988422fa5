#include "storage/KXProps.h"

#include "platform/IniFile.h"
#include "storage/Kxstrutils.h"

#include <QApplication>
#include <QLocale>
#include <QWidget>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

const QString sPropNameDelimiter = QStringLiteral("_");

namespace {

using platform::Trim;

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isStringList(const QMetaProperty& p) {
    return p.metaType() == QMetaType::fromType<QStringList>();
}

bool isObjectPointer(const QMetaProperty& p) {
    return p.metaType().flags() & QMetaType::PointerToQObject;
}

// A pointer property whose declared class is a persistent sub-object rather than a component.
bool isPersistentProperty(const QMetaProperty& p) {
    const QMetaObject* declared = p.metaType().metaObject();
    return declared && declared->inherits(&TPersistent::staticMetaObject);
}

bool writesEmptyText(TTypeKind kind) {
    return kind == tkString || kind == tkLString || kind == tkWChar;
}

bool isStorable(TTypeKind kind) {
    switch (kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkFloat:
    case tkString:
    case tkSet:
    case tkClass:
    case tkWChar:
    case tkLString:
    case tkVariant:
    case tkInt64:
        return true;
    default:
        return false;
    }
}

// Enumerations and flags are read and written as raw integers of their declared size, which
// works for every enumeration type the meta-object system knows.
qint64 enumValue(const QVariant& v) {
    switch (v.metaType().sizeOf()) {
    case 1:
        return *static_cast<const qint8*>(v.constData());
    case 2:
        return *static_cast<const qint16*>(v.constData());
    case 4:
        return *static_cast<const qint32*>(v.constData());
    case 8:
        return *static_cast<const qint64*>(v.constData());
    default:
        return 0;
    }
}

QVariant enumVariant(QMetaType type, qint64 value) {
    const qsizetype size = type.sizeOf();
    if (size < 1 || size > qsizetype(sizeof value))
        return QVariant();
    QByteArray buffer(size, '\0');
    std::memcpy(buffer.data(), &value, size_t(size)); // little-endian: the low bytes
    return QVariant(type, buffer.constData());
}

std::pair<qlonglong, qlonglong> integerRange(int typeId) {
    switch (typeId) {
    case QMetaType::Short:
        return {std::numeric_limits<short>::min(), std::numeric_limits<short>::max()};
    case QMetaType::UShort:
        return {0, std::numeric_limits<ushort>::max()};
    case QMetaType::SChar:
        return {std::numeric_limits<signed char>::min(), std::numeric_limits<signed char>::max()};
    case QMetaType::UChar:
        return {0, std::numeric_limits<uchar>::max()};
    case QMetaType::UInt:
    case QMetaType::ULong:
        return {0, std::numeric_limits<uint>::max()};
    default:
        return {std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
    }
}

// The set elements: keys of single bits 0 to 31, by bit.
QString setText(const QMetaEnum& e, qint64 value) {
    QStringList names;
    for (int bit = 0; bit < 32; ++bit) {
        for (int k = 0; k < e.keyCount(); ++k) {
            if (e.value(k) == (1 << bit) && (value & (qint64(1) << bit))) {
                names.append(QString::fromLatin1(e.key(k)));
                break;
            }
        }
    }
    return u'[' + names.join(u',') + u']';
}

qint64 setValue(const QMetaEnum& e, const QString& text) {
    static const TCharSet delims(" ,[]");
    qint64 value = 0;
    const int count = WordCount(text, delims);
    for (int i = 1; i <= count; ++i) {
        const QString word = ExtractWord(i, text, delims);
        for (int k = 0; k < e.keyCount(); ++k) {
            const uint v = uint(e.value(k));
            if (v != 0 && (v & (v - 1)) == 0 && sameName(QString::fromLatin1(e.key(k)), word)) {
                value |= v;
                break;
            }
        }
    }
    return value;
}

QWidget* findForm(const QString& name) {
    for (QWidget* form : QApplication::topLevelWidgets()) {
        if (platform::IsForm(form) && sameName(form->objectName(), name))
            return form;
    }
    return nullptr;
}

QString ownerName(const QObject* owner) {
    if (!owner->objectName().isEmpty())
        return owner->objectName();
    const QString name = platform::ClassName(owner);
    return name.startsWith(u'T', Qt::CaseInsensitive) ? name.mid(1) : name;
}

// The current value in its stored text (empty for the class kinds).
QString textOf(const QObject* object, const QMetaProperty& p, TTypeKind kind) {
    const QVariant v = p.read(object);
    switch (kind) {
    case tkInteger:
        return v.toString();
    case tkChar:
        return QString(QChar(uchar(v.value<char>())));
    case tkWChar:
        return QString(v.value<QChar>());
    case tkEnumeration:
        if (p.metaType().id() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return QString::fromLatin1(p.enumerator().valueToKey(int(enumValue(v))));
    case tkFloat:
        return FloatToText(v.toDouble(), p.metaType().id() == QMetaType::Float ? 7 : 15);
    case tkString:
        return QString::fromLatin1(v.toByteArray());
    case tkLString:
    case tkVariant:
    case tkInt64:
        return v.toString();
    case tkSet:
        return setText(p.enumerator(), enumValue(v));
    default:
        return QString();
    }
}

QVariant integerFrom(const QMetaProperty& p, const QString& text) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    const auto [low, high] = integerRange(p.metaType().id());
    return QVariant(ok && value >= low && value <= high ? value : 0);
}

QVariant floatFrom(const QString& text) {
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    QString local = text;
    local.replace(u'.', locale.decimalPoint());
    bool ok = false;
    const double value = locale.toDouble(local, &ok);
    return ok ? QVariant(value) : QVariant();
}

QVariant enumerationFrom(const QMetaProperty& p, const QString& text) {
    if (p.metaType().id() == QMetaType::Bool) {
        if (sameName(text, QStringLiteral("True")))
            return QVariant(true);
        return sameName(text, QStringLiteral("False")) ? QVariant(false) : QVariant();
    }
    const QMetaEnum e = p.enumerator();
    for (int k = 0; k < e.keyCount(); ++k) {
        if (sameName(QString::fromLatin1(e.key(k)), text))
            return enumVariant(p.metaType(), e.value(k));
    }
    return QVariant();
}

// The value a text loads into a property of a plain kind; an invalid variant changes nothing.
QVariant valueFrom(const QMetaProperty& p, TTypeKind kind, const QString& text) {
    switch (kind) {
    case tkInteger:
        return integerFrom(p, text);
    case tkChar:
        return text.isEmpty() ? QVariant() : QVariant::fromValue(char(text.front().unicode()));
    case tkWChar:
        return text.isEmpty() ? QVariant() : QVariant::fromValue(text.front());
    case tkEnumeration:
        return enumerationFrom(p, text);
    case tkFloat:
        return floatFrom(text);
    case tkString:
        return QVariant(text.toLatin1());
    case tkLString:
    case tkVariant:
        return QVariant(text);
    case tkSet:
        return enumVariant(p.metaType(), setValue(p.enumerator(), text));
    case tkInt64: {
        bool ok = false;
        const qlonglong value = text.toLongLong(&ok);
        return QVariant(ok ? value : 0);
    }
    default:
        return QVariant();
    }
}

} // namespace

TTypeKind PropKind(const QMetaProperty& PropInfo) {
    if (PropInfo.isFlagType())
        return tkSet;
    if (PropInfo.isEnumType())
        return tkEnumeration;
    if (isStringList(PropInfo) || isObjectPointer(PropInfo))
        return tkClass;
    switch (PropInfo.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return tkInteger;
    case QMetaType::Char:
        return tkChar;
    case QMetaType::QChar:
        return tkWChar;
    case QMetaType::Bool:
        return tkEnumeration;
    case QMetaType::Float:
    case QMetaType::Double:
        return tkFloat;
    case QMetaType::QByteArray:
        return tkString;
    case QMetaType::QString:
        return tkLString;
    case QMetaType::QVariant:
        return tkVariant;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return tkInt64;
    default:
        return tkUnknown;
    }
}

QString FloatToText(double Value, int Precision) {
    if (std::isnan(Value))
        return QStringLiteral("NAN");
    if (std::isinf(Value))
        return Value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (Value == 0)
        return QStringLiteral("0");
    // Scientific text rounded to Precision digits: "-d.ddde+XX".
    const QString e = QString::number(Value, 'e', Precision - 1);
    const qsizetype mark = e.indexOf(u'e');
    const int exponent = e.mid(mark + 1).toInt();
    const bool negative = e.startsWith(u'-');
    QString digits = e.left(mark).remove(u'-').remove(u'.');
    while (digits.size() > 1 && digits.endsWith(u'0'))
        digits.chop(1);
    QString text;
    if (exponent >= Precision || exponent < -5) {
        text = digits.left(1);
        if (digits.size() > 1)
            text += u'.' + digits.mid(1);
        text += u'E' + QString::number(exponent);
    } else if (exponent >= 0) {
        digits = digits.leftJustified(exponent + 1, u'0');
        text = digits.left(exponent + 1);
        if (digits.size() > exponent + 1)
            text += u'.' + digits.mid(exponent + 1);
    } else {
        text = QStringLiteral("0.") + QString(-exponent - 1, u'0') + digits;
    }
    return negative ? u'-' + text : text;
}

TPropInfoList::TPropInfoList(const QObject* AObject, TTypeKinds Filter) {
    if (!AObject)
        return;
    // The most derived class first, so that its property wins over an inherited one whose name
    // differs only in case ("Height" over "height").
    const QMetaObject* meta = AObject->metaObject();
    meta_ = meta;
    for (int i = meta->propertyCount() - 1; i >= QObject::staticMetaObject.propertyCount(); --i) {
        const QMetaProperty p = meta->property(i);
        if (p.isReadable() && (Filter & KindBit(PropKind(p))))
            list_.append(p);
    }
    std::stable_sort(
        list_.begin(), list_.end(), [](const QMetaProperty& a, const QMetaProperty& b) {
            return TNameLess()(QString::fromLatin1(a.name()), QString::fromLatin1(b.name()));
        });
}

const QMetaProperty* TPropInfoList::Find(const QString& AName) const {
    for (const QMetaProperty& p : list_) {
        if (sameName(QString::fromLatin1(p.name()), AName))
            return &p;
    }
    return nullptr;
}

bool TPropInfoList::Contains(const QMetaProperty& PropInfo) const {
    for (const QMetaProperty& p : list_) {
        if (p.metaType() == PropInfo.metaType() &&
            sameName(QString::fromLatin1(p.name()), QString::fromLatin1(PropInfo.name())))
            return true;
    }
    return false;
}

void TPropInfoList::Intersect(const TPropInfoList& List) {
    for (int i = Count() - 1; i >= 0; --i) {
        if (!List.Contains(list_.at(i)))
            Delete(i);
    }
}

QString TPropsStorage::ReadString(const QString& ASection, const QString& Item,
                                  const QString& Default) {
    return OnReadString ? OnReadString(ASection, Item, Default) : QString();
}

void TPropsStorage::WriteString(const QString& ASection, const QString& Item,
                                const QString& Value) {
    if (OnWriteString)
        OnWriteString(ASection, Item, Value);
}

void TPropsStorage::EraseSection(const QString& ASection) {
    if (OnEraseSection)
        OnEraseSection(ASection);
}

std::unique_ptr<TPropsStorage> TPropsStorage::CreateStorage() const {
    return std::make_unique<TPropsStorage>();
}

std::unique_ptr<TPropsStorage> TPropsStorage::nested(QObject* object, const QString& prefix,
                                                     const QString& section) const {
    auto storage = CreateStorage();
    storage->AObject = object;
    storage->Owner = Owner;
    storage->Prefix = prefix;
    storage->Section = section;
    storage->OnReadString = OnReadString;
    storage->OnWriteString = OnWriteString;
    storage->OnEraseSection = OnEraseSection;
    return storage;
}

template <class Walk>
void TPropsStorage::walkStoredList(QObject* AComponent, TStoredList& List, Walk walk) {
    std::unique_ptr<TInfoLists> infoLists = CreateInfoList(AComponent, List);
    Owner = AComponent;
    for (const TStoredEntry& entry : TStoredList(List)) {
        QString component;
        QString property;
        if (!ParseStoredItem(entry.Text, component, property) || !entry.Object)
            continue;
        AObject = entry.Object;
        Prefix = AObject->objectName();
        const auto props = infoLists->find(Prefix);
        if (props == infoLists->end())
            continue;
        Prefix += sPropNameDelimiter;
        // Object names need not be unique: a namesake of another class has properties of its own.
        std::optional<TPropInfoList> own;
        if (props->second.MetaObject() != AObject->metaObject())
            own.emplace(AObject, tkProperties);
        if (const QMetaProperty* p = (own ? *own : props->second).Find(property))
            walk(*p, property);
    }
    Owner = nullptr;
    FreeInfoLists(infoLists);
}

void TPropsStorage::StoreObjectsProps(QObject* AComponent, TStoredList& StoredList) {
    walkStoredList(AComponent, StoredList,
                   [this](const QMetaProperty& p, const QString& name) { storeProperty(p, name); });
}

void TPropsStorage::LoadObjectsProps(QObject* AComponent, TStoredList& StoredList) {
    walkStoredList(AComponent, StoredList,
                   [this](const QMetaProperty& p, const QString& name) { loadProperty(p, name); });
}

void TPropsStorage::StoreProperties(const QStringList& PropList) {
    const TPropInfoList props(AObject, tkProperties);
    for (const QString& name : PropList)
        StoreAnyProperty(props.Find(name));
}

void TPropsStorage::LoadProperties(const QStringList& PropList) {
    const TPropInfoList props(AObject, tkProperties);
    for (const QString& name : PropList)
        LoadAnyProperty(props.Find(name));
}

void TPropsStorage::StoreAnyProperty(const QMetaProperty* PropInfo) {
    if (PropInfo)
        storeProperty(*PropInfo, QString::fromLatin1(PropInfo->name()));
}

void TPropsStorage::LoadAnyProperty(const QMetaProperty* PropInfo) {
    if (PropInfo)
        loadProperty(*PropInfo, QString::fromLatin1(PropInfo->name()));
}

void TPropsStorage::storeAll() {
    const TPropInfoList props(AObject, tkProperties);
    for (int i = 0; i < props.Count(); ++i)
        StoreAnyProperty(&props.Get(i));
}

void TPropsStorage::loadAll() {
    const TPropInfoList props(AObject, tkProperties);
    for (int i = 0; i < props.Count(); ++i)
        LoadAnyProperty(&props.Get(i));
}

void TPropsStorage::storeProperty(const QMetaProperty& p, const QString& name) {
    const TTypeKind kind = PropKind(p);
    const QString text =
        Trim(kind == tkClass ? storeClassProperty(p, name) : textOf(AObject, p, kind));
    if (!text.isEmpty() || writesEmptyText(kind))
        WriteString(Section, GetItemName(name), text);
}

void TPropsStorage::loadProperty(const QMetaProperty& p, const QString& name) {
    try {
        const TTypeKind kind = PropKind(p);
        if (!isStorable(kind))
            return;
        const QString fallback = textOf(AObject, p, kind);
        QString text;
        if (!fallback.isEmpty() || kind == tkClass || writesEmptyText(kind))
            text = Trim(ReadString(Section, GetItemName(name), fallback));
        if (kind == tkClass) {
            loadClassProperty(p, name, text);
            return;
        }
        const QVariant value = valueFrom(p, kind, text);
        if (value.isValid())
            p.write(AObject, value);
    } catch (...) {
        // One property that fails to load must not keep the others or the window from loading.
    }
}

QString TPropsStorage::storeClassProperty(const QMetaProperty& p, const QString& name) {
    const QVariant v = p.read(AObject);
    if (isStringList(p)) {
        const QStringList lines = v.toStringList();
        const QString section = Section + u'.' + GetItemName(name);
        EraseSection(section);
        if (!lines.isEmpty()) {
            WriteString(section, QStringLiteral("Count"), QString::number(lines.size()));
            for (qsizetype i = 0; i < lines.size(); ++i)
                WriteString(section, QStringLiteral("Item%1").arg(i), lines.at(i));
        }
        return QString();
    }
    QObject* object = v.value<QObject*>();
    if (!isPersistentProperty(p)) {
        if (!object)
            return QStringLiteral("(null)");
        const QObject* owner = platform::OwnerOf(object);
        if (owner && owner != Owner)
            return ownerName(owner) + u'.' + object->objectName();
        return object->objectName();
    }
    if (auto* collection = qobject_cast<TCollection*>(object))
        storeCollection(collection, name);
    if (object)
        nested(object, GetItemName(name), Section)->storeAll();
    return QString();
}

void TPropsStorage::storeCollection(TCollection* collection, const QString& name) {
    const QString section = Section + u'.' + GetItemName(name);
    EraseSection(section);
    WriteString(Section, GetItemName(name) + QStringLiteral(".Count"),
                QString::number(collection->Count()));
    for (int i = 0; i < collection->Count(); ++i)
        nested(collection->Items(i), QStringLiteral("Item%1_").arg(i), section)->storeAll();
}

void TPropsStorage::loadClassProperty(const QMetaProperty& p, const QString& name,
                                      const QString& text) {
    if (isStringList(p)) {
        const QString section = Section + u'.' + GetItemName(name);
        bool ok = false;
        const int count = std::min(
            Trim(ReadString(section, QStringLiteral("Count"), "0")).toInt(&ok), MaxStoredCount);
        if (!ok || count <= 0)
            return;
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines.append(ReadString(section, QStringLiteral("Item%1").arg(i), QString()));
        p.write(AObject, lines);
        return;
    }
    if (!isPersistentProperty(p)) {
        loadComponentReference(p, text);
        return;
    }
    QObject* object = p.read(AObject).value<QObject*>();
    if (auto* collection = qobject_cast<TCollection*>(object))
        loadCollection(collection, name);
    if (object)
        nested(object, GetItemName(name), Section)->loadAll();
}

void TPropsStorage::loadCollection(TCollection* collection, const QString& name) {
    const QString current = QString::number(collection->Count());
    bool ok = false;
    int count =
        Trim(ReadString(Section, GetItemName(name) + QStringLiteral(".Count"), current)).toInt(&ok);
    count = ok ? std::clamp(count, 0, MaxStoredCount) : collection->Count();
    if (count != collection->Count()) {
        collection->Clear();
        for (int i = 0; i < count; ++i)
            collection->Add();
    }
    const QString section = Section + u'.' + GetItemName(name);
    for (int i = 0; i < collection->Count(); ++i)
        nested(collection->Items(i), QStringLiteral("Item%1_").arg(i), section)->loadAll();
}

void TPropsStorage::loadComponentReference(const QMetaProperty& p, const QString& text) {
    if (text.isEmpty())
        return;
    QObject* component = nullptr;
    if (sameName(text, QStringLiteral("(null)"))) {
        component = nullptr;
    } else if (const qsizetype point = text.indexOf(u'.'); point >= 0) {
        QWidget* owner = findForm(Trim(text.left(point)));
        if (!owner)
            return;
        component = platform::FindComponent(owner, Trim(text.mid(point + 1)));
    } else {
        component = platform::FindComponent(Owner, text);
    }
    QVariant value = QVariant::fromValue(component);
    if (value.convert(p.metaType()))
        p.write(AObject, value);
}

bool ParseStoredItem(const QString& Item, QString& CompName, QString& PropName) {
    const qsizetype point = Item.indexOf(u'.');
    if (point < 0)
        return false;
    CompName = Trim(Item.left(point));
    PropName = Trim(Item.mid(point + 1));
    return !CompName.isEmpty() && !PropName.isEmpty();
}

QString CreateStoredItem(const QString& CompName, const QString& PropName) {
    if (CompName.isEmpty() || PropName.isEmpty())
        return QString();
    return CompName + u'.' + PropName;
}

std::unique_ptr<TInfoLists> CreateInfoList(QObject* AComponent, TStoredList& StoredList) {
    UpdateStoredList(AComponent, StoredList, false);
    auto lists = std::make_unique<TInfoLists>();
    for (const TStoredEntry& entry : StoredList)
        lists->try_emplace(entry.Object->objectName(), entry.Object, tkProperties);
    return lists;
}

void FreeInfoLists(std::unique_ptr<TInfoLists>& List) {
    List.reset();
}

void UpdateStoredList(QObject* AComponent, TStoredList& AStoredList, bool FromForm) {
    for (qsizetype i = AStoredList.size() - 1; i >= 0; --i) {
        TStoredEntry& entry = AStoredList[i];
        QString component;
        QString property;
        bool keep = ParseStoredItem(entry.Text, component, property);
        if (keep && FromForm) {
            entry.Object = platform::FindComponent(AComponent, component);
            keep = entry.Object != nullptr;
        } else if (keep) {
            keep = entry.Object != nullptr;
            if (keep)
                entry.Text = CreateStoredItem(entry.Object->objectName(), property);
        }
        if (!keep)
            AStoredList.removeAt(i);
    }
}
