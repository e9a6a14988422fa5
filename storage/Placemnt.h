#pragma once
// The settings store of a window: one section of an INI file holding the window's placement, the
// properties named in StoredProps and, through links, sub-sections of other components. It is
// restored on every show and saved when the window may close and when it is destroyed.

#include "platform/Classes.h"
#include "platform/Registry.h"
#include "storage/KXProps.h"

#include <QObject>
#include <QSize>
#include <QVariant>
#include <array>
#include <memory>

class QEvent;
class QWidget;
class TFormPlacement;
class TFormStorage;
class TKxWindowHook;

enum TPlacementOption { fpState = 0x1, fpPosition = 0x2, fpActiveControl = 0x4 };
Q_DECLARE_FLAGS(TPlacementOptions, TPlacementOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TPlacementOptions)

enum TPlacementRegRoot {
    prCurrentUser,
    prLocalMachine,
    prCurrentConfig,
    prClassesRoot,
    prUsers,
    prDynData
};

enum TPlacementOperation { poSave, poRestore };

// Lets a component keep a sub-section of a store's section: the store calls SaveToIni and
// LoadFromIni while its file is open.
class TIniLink {
public:
    TIniLink() = default;
    virtual ~TIniLink();
    TIniLink(const TIniLink&) = delete;
    TIniLink& operator=(const TIniLink&) = delete;

    TFormPlacement* Storage() const { return storage_; }
    void SetStorage(TFormPlacement* Value);
    // The open INI file of the store, or none.
    TIniObject IniObject() const;
    // The store's own IniSection and "\", or "" without a store or section.
    QString RootSection() const;

    std::function<void(TIniLink* Sender)> OnSave;
    std::function<void(TIniLink* Sender)> OnLoad;

    virtual void SaveToIni();
    virtual void LoadFromIni();

private:
    friend class TFormPlacement;
    TFormPlacement* storage_ = nullptr;
};

// Minimum and maximum sizes of the window; zero means "not set".
class TWinMinMaxInfo {
public:
    enum Field {
        MaxPosLeft,
        MaxPosTop,
        MaxSizeWidth,
        MaxSizeHeight,
        MinTrackWidth,
        MinTrackHeight,
        MaxTrackWidth,
        MaxTrackHeight
    };

    explicit TWinMinMaxInfo(TFormPlacement* owner) : owner_(owner) {}

    int Value(Field field) const { return values_.at(field); }
    void SetValue(Field field, int value);
    void Assign(const TWinMinMaxInfo& Source);
    bool DefaultMinMaxInfo() const;

private:
    TFormPlacement* owner_;
    std::array<int, 8> values_{};
};

class TFormPlacement : public QObject {
    Q_OBJECT
public:
    explicit TFormPlacement(QObject* AOwner);
    ~TFormPlacement() override;

    // The window's components exist: bind to them and hook the window.
    virtual void Loaded();

    bool Active() const { return active_; }
    void SetActive(bool Value) { active_ = Value; }
    const QString& IniFileName() const { return iniFileName_; }
    void SetIniFileName(const QString& Value) { iniFileName_ = Value; }
    const QString& IniSection() const { return iniSection_; }
    void SetIniSection(const QString& Value) { iniSection_ = Value; }
    // With UseRegistry the section is a key below the key IniFileName of RegistryRoot.
    bool UseRegistry() const { return useRegistry_; }
    void SetUseRegistry(bool Value) { useRegistry_ = Value; }
    TPlacementRegRoot RegistryRoot() const { return registryRoot_; }
    void SetRegistryRoot(TPlacementRegRoot Value) { registryRoot_ = Value; }
    TPlacementOptions Options() const { return options_; }
    void SetOptions(TPlacementOptions Value) { options_ = Value; }
    int Version() const { return version_; }
    void SetVersion(int Value) { version_ = Value; }
    bool PreventResize() const { return preventResize_; }
    void SetPreventResize(bool Value);
    TWinMinMaxInfo* MinMaxInfo() { return &minMaxInfo_; }
    void SetMinMaxInfo(const TWinMinMaxInfo& Value) { minMaxInfo_.Assign(Value); }

    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

    // The open profile or registry file, only inside a save, a restore or one read or write.
    TIniObject IniFile() const;

    void SaveFormPlacement();
    void RestoreFormPlacement();
    QString ReadString(const QString& Ident, const QString& Default = QString());
    void WriteString(const QString& Ident, const QString& Value);
    int ReadInteger(const QString& Ident, int Default);
    void WriteInteger(const QString& Ident, int Value);
    // Erases the section and its sub-sections ("Section.*", "Section\*").
    void EraseSections();
    QString GetIniFileName() const;
    QString GetIniSection() const;

    // The owner window was shown from hidden / may close / is being destroyed. Errors are shown
    // and stop neither the show, the close nor the destruction.
    void FormShow();
    void FormCloseQuery();
    void FormDestroy();

protected:
    virtual void SavePlacement();
    virtual void RestorePlacement();
    virtual QString DoReadString(const QString& Section, const QString& Ident,
                                 const QString& Default);
    virtual void DoWriteString(const QString& Section, const QString& Ident, const QString& Value);
    virtual void Save();
    virtual void Restore();

    QWidget* Form() const;
    bool loaded_ = false;
    bool restored_ = false;

private:
    friend class TIniLink;
    friend class TWinMinMaxInfo;

    class OpenFile;
    void IniNeeded(bool ReadOnly);
    void IniFree();
    void CheckToggleHook();
    void MinMaxInfoModified();
    void WndMessage(QEvent* event);
    void applyConstraints();
    static bool hasMaximizeIcon(const QWidget& form);
    void applyMaximizeIcon();

    bool active_ = true;
    QString iniFileName_;
    QString iniSection_;
    std::shared_ptr<TIniFile> ini_;
    std::unique_ptr<TRegIniFile> reg_;
    bool useRegistry_ = false;
    TPlacementRegRoot registryRoot_ = prCurrentUser;
    QList<TIniLink*> links_;
    TPlacementOptions options_;
    int version_ = 0;
    bool saved_ = false;
    bool destroying_ = false;
    bool preventResize_ = false;
    bool defaultMaximize_ = false; // the form had the maximize icon when PreventResize came on
    TWinMinMaxInfo minMaxInfo_{this};
    QSize designMinimum_;
    QSize designMaximum_;
    TKxWindowHook* hook_ = nullptr;
};

// While one lives, the stores' saves to a profile file go into one update of one object on that
// file, shared by every store: they reach the file in one rewrite when the outermost ends, or are
// refused whole with one box. The program's exit saves all its windows inside one.
class TSavesInOneRewrite {
public:
    TSavesInOneRewrite();
    ~TSavesInOneRewrite();
    TSavesInOneRewrite(const TSavesInOneRewrite&) = delete;
    TSavesInOneRewrite& operator=(const TSavesInOneRewrite&) = delete;
};

class TStoredValue : public TCollectionItem {
    Q_OBJECT
public:
    using TStoredValueEvent = std::function<void(TStoredValue* Sender, QVariant& Value)>;

    const QString& Name() const { return name_; }
    // Names are unique in their collection, ignoring case.
    void SetName(const QString& Value);
    QVariant Value;
    QString KeyString;
    TStoredValueEvent OnSave;
    TStoredValueEvent OnRestore;

    void Assign(const TStoredValue& Source);
    QString GetDisplayName() const override;
    void Save();
    void Restore();

private:
    TFormStorage* storage() const;
    QString name_;
};

class TStoredValues : public TCollection {
    Q_OBJECT
public:
    explicit TStoredValues(TFormStorage* AOwner);

    TFormStorage* Storage() const { return storage_; }
    TStoredValue* Items(int Index) const;
    TStoredValue* Add();
    int IndexOf(const QString& Name) const;
    TStoredValue* StoredValue(const QString& Name) const;
    void SaveValues();
    void RestoreValues();

private:
    TFormStorage* storage_;
};

class TFormStorage : public TFormPlacement {
    Q_OBJECT
public:
    explicit TFormStorage(QObject* AOwner);

    void Loaded() override;

    const TStoredList& StoredProps() const { return storedProps_; }
    // Entries "Component.Property"; bound to the owner's components once it is loaded.
    void SetStoredProps(const QStringList& Value);
    TStoredValues* StoredValues() const { return storedValues_; }
    // An unknown name reads as an empty variant; writing a new name adds a value.
    QVariant StoredValue(const QString& Name) const;
    void SetStoredValue(const QString& Name, const QVariant& Value);

protected:
    void SavePlacement() override;
    void RestorePlacement() override;
    virtual void SaveProperties();
    virtual void RestoreProperties();

private:
    void bindStoredProps();
    void componentDestroyed(QObject* component);

    TStoredList storedProps_;
    TStoredValues* storedValues_;
};
