#include "platform/Classes.h"

#include <QWidget>
#include <vector>

TCollectionItem::~TCollectionItem() {
    if (collection_)
        collection_->remove(this);
}

int TCollectionItem::Index() const {
    return collection_ ? int(collection_->items_.indexOf(this)) : -1;
}

QString TCollectionItem::GetDisplayName() const {
    return platform::ClassName(this);
}

TCollection::TCollection(ItemFactory factory, QObject* owner)
    : TPersistent(owner), factory_(std::move(factory)) {}

TCollection::~TCollection() {
    Clear();
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = factory_();
    item->setParent(this);
    item->collection_ = this;
    items_.append(item);
    return item;
}

void TCollection::Delete(int index) {
    delete items_.at(index);
}

void TCollection::Clear() {
    while (!items_.isEmpty())
        delete items_.last();
}

void TCollection::remove(TCollectionItem* item) {
    items_.removeOne(item);
    item->collection_ = nullptr;
}

namespace platform {

// Menus and tool tips are windows of the platform but nobody's form.
bool IsForm(const QObject* object) {
    if (!object || !object->isWidgetType())
        return false;
    const auto* widget = static_cast<const QWidget*>(object);
    const Qt::WindowType type = widget->windowType();
    return widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip;
}

QObject* OwnerOf(const QObject* component) {
    QObject* owner = component ? component->parent() : nullptr;
    while (owner && owner->parent() && !IsForm(owner))
        owner = owner->parent();
    return owner;
}

QWidget* ParentForm(const QObject* component) {
    QObject* owner = OwnerOf(component);
    return IsForm(owner) ? static_cast<QWidget*>(owner) : nullptr;
}

QObject* FindComponent(const QObject* owner, const QString& name) {
    if (!owner || name.isEmpty())
        return nullptr;
    for (QObject* child : owner->children()) {
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return child;
    }
    for (QObject* child : owner->children()) {
        if (IsForm(child))
            continue; // another window's components are its own
        if (QObject* found = FindComponent(child, name))
            return found;
    }
    return nullptr;
}

QString ClassName(const QObject* object) {
    return object ? QString::fromLatin1(object->metaObject()->className()) : QString();
}

namespace {

std::vector<TRegisteredClass>& registeredClasses() {
    static std::vector<TRegisteredClass> classes;
    return classes;
}

TRegisteredClass* findClass(const QString& name) {
    for (TRegisteredClass& c : registeredClasses()) {
        if (name.compare(QLatin1String(c.metaObject->className()), Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

} // namespace

void RegisterClass(const QMetaObject& metaObject, std::function<QObject*()> create) {
    const QString name = QString::fromLatin1(metaObject.className());
    if (TRegisteredClass* known = findClass(name))
        *known = {&metaObject, std::move(create)};
    else
        registeredClasses().push_back({&metaObject, std::move(create)});
}

const TRegisteredClass* GetClass(const QString& name) {
    return findClass(name);
}

} // namespace platform
