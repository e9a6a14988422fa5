#pragma once
// Stand-ins for the component model the stored settings walk: owned persistent sub-objects,
// collections of items, notify events, and a form's components found by name.

#include <QList>
#include <QObject>
#include <functional>

class QWidget;

using TNotifyEvent = std::function<void(QObject* Sender)>;

// An owned sub-object (not a component): its properties are stored with its owner's.
class TPersistent : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
};

class TCollection;

class TCollectionItem : public TPersistent {
    Q_OBJECT
public:
    TCollectionItem() = default;
    ~TCollectionItem() override;

    TCollection* Collection() const { return collection_; }
    int Index() const;
    // The item's name in lists: its class name unless a subclass knows better.
    virtual QString GetDisplayName() const;

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
};

// Owns its items; Add creates them through the item factory.
class TCollection : public TPersistent {
    Q_OBJECT
public:
    using ItemFactory = std::function<TCollectionItem*()>;

    explicit TCollection(ItemFactory factory, QObject* owner = nullptr);
    ~TCollection() override;

    int Count() const { return int(items_.size()); }
    TCollectionItem* Items(int index) const { return items_.at(index); }
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();

private:
    friend class TCollectionItem;
    void remove(TCollectionItem* item);

    ItemFactory factory_;
    QList<TCollectionItem*> items_;
};

namespace platform {

// A form is a top-level window (a dialog with a parent too, but no menu); every other object
// belongs to the nearest form up its parent chain, which is its owner.
bool IsForm(const QObject* object);
QObject* OwnerOf(const QObject* component);
QWidget* ParentForm(const QObject* component);

// The owner's component of that name at any depth, the name compared ignoring ASCII case.
QObject* FindComponent(const QObject* owner, const QString& name);

// The class name as the meta-object system knows it ("TFormMain").
QString ClassName(const QObject* object);

// The class registry: the classes the program lets a stored name create again. GUI thread only.
struct TRegisteredClass {
    const QMetaObject* metaObject;
    std::function<QObject*()> create;
};
// A later registration under the same name replaces the earlier one.
void RegisterClass(const QMetaObject& metaObject, std::function<QObject*()> create);
template <class T> void RegisterClass() {
    RegisterClass(T::staticMetaObject, [] { return new T(); });
}
// The class registered under that name (ignoring ASCII case), or none.
const TRegisteredClass* GetClass(const QString& name);

} // namespace platform
