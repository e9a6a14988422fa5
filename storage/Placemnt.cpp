#include "storage/Placemnt.h"

#include "platform/FormFlags.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "storage/Apputils.h"
#include "storage/KxHook.h"
#include "storage/Kxstrutils.h"

#include <QEvent>
#include <QWidget>
#include <stdexcept>
#include <utility>

namespace {

const QString FormVersion = QStringLiteral("FormVersion");

HKEY rootKeyOf(TPlacementRegRoot root) {
    switch (root) {
    case prCurrentUser:
        return HKEY_CURRENT_USER;
    case prLocalMachine:
        return HKEY_LOCAL_MACHINE;
    case prCurrentConfig:
        return HKEY_CURRENT_CONFIG;
    case prClassesRoot:
        return HKEY_CLASSES_ROOT;
    case prUsers:
        return HKEY_USERS;
    case prDynData:
        return HKEY_DYN_DATA;
    }
    return HKEY_CURRENT_USER;
}

// The last settings error shown. The same error is not shown again until a store reads or
// writes its file without one: a folder that cannot be written is reported once, not once by
// every window that quits.
QString& lastError() {
    static QString error;
    return error;
}

void showOnce(const QString& error) {
    if (error == lastError())
        return;
    lastError() = error;
    platform::ShowError(error);
}

// The profile files open for saves in one rewrite, each in an update.
struct SharedFiles {
    int depth = 0;
    bool failed = false;
    std::vector<std::shared_ptr<TIniFile>> files;
};

SharedFiles& sharedFiles() {
    static SharedFiles shared;
    return shared;
}

// A store's profile file: inside saves in one rewrite, the object every store on it shares.
std::shared_ptr<TIniFile> profileFile(const QString& fileName) {
    SharedFiles& shared = sharedFiles();
    if (shared.depth == 0)
        return std::make_shared<TIniFile>(fileName);
    for (const auto& file : shared.files)
        if (file->FileName() == fileName)
            return file;
    auto file = std::make_shared<TIniFile>(fileName);
    file->BeginUpdate();
    shared.files.push_back(file);
    return file;
}

// Runs a save or restore for the window: an error is shown, and the show, close or destruction
// it belongs to goes on. Answers whether it went without one.
template <class Step> bool reported(Step step) {
    try {
        step();
        return true;
    } catch (const std::exception& e) {
        showOnce(QString::fromUtf8(e.what()));
    } catch (...) {
        showOnce(QStringLiteral("Errore imprevisto nel conservare le impostazioni della finestra"));
    }
    if (sharedFiles().depth > 0)
        sharedFiles().failed = true;
    return false;
}

} // namespace

// The store's file, open for one save, restore, read or write when none is open yet.
class TFormPlacement::OpenFile {
public:
    OpenFile(TFormPlacement* store, bool readOnly)
        : store_(store), owns_(!store->ini_ && !store->reg_) {
        if (owns_)
            store->IniNeeded(readOnly);
    }
    ~OpenFile() {
        if (owns_)
            store_->IniFree();
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

private:
    TFormPlacement* store_;
    bool owns_;
};

TSavesInOneRewrite::TSavesInOneRewrite() {
    ++sharedFiles().depth;
}

TSavesInOneRewrite::~TSavesInOneRewrite() {
    SharedFiles& shared = sharedFiles();
    if (--shared.depth > 0)
        return;
    const auto files = std::exchange(shared.files, {});
    bool written = !std::exchange(shared.failed, false);
    for (const auto& file : files)
        written = reported([&] { file->EndUpdate(); }) && written;
    if (written && !files.empty())
        lastError().clear();
}

TIniLink::~TIniLink() {
    OnSave = nullptr;
    OnLoad = nullptr;
    SetStorage(nullptr);
}

void TIniLink::SetStorage(TFormPlacement* Value) {
    if (storage_ == Value)
        return;
    if (storage_)
        storage_->links_.removeOne(this);
    storage_ = Value;
    if (storage_)
        storage_->links_.append(this);
}

TIniObject TIniLink::IniObject() const {
    return storage_ ? storage_->IniFile() : TIniObject();
}

QString TIniLink::RootSection() const {
    if (!storage_ || storage_->IniSection().isEmpty())
        return QString();
    return storage_->IniSection() + u'\\';
}

void TIniLink::SaveToIni() {
    if (OnSave)
        OnSave(this);
}

void TIniLink::LoadFromIni() {
    if (OnLoad)
        OnLoad(this);
}

void TWinMinMaxInfo::SetValue(Field field, int value) {
    if (values_.at(field) == value)
        return;
    values_[field] = value;
    owner_->MinMaxInfoModified();
}

void TWinMinMaxInfo::Assign(const TWinMinMaxInfo& Source) {
    values_ = Source.values_;
    owner_->MinMaxInfoModified();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
    return std::all_of(values_.begin(), values_.end(), [](int v) { return v == 0; });
}

TFormPlacement::TFormPlacement(QObject* AOwner) : QObject(AOwner), hook_(new TKxWindowHook(this)) {
    if (platform::IsForm(AOwner))
        options_ = fpState | fpPosition;
    hook_->SetActive(false);
    hook_->AfterMessage = [this](TKxWindowHook*, QEvent* event, bool&) { WndMessage(event); };
}

TFormPlacement::~TFormPlacement() {
    IniFree();
    while (!links_.isEmpty())
        links_.last()->SetStorage(nullptr);
}

void TFormPlacement::Loaded() {
    loaded_ = true;
    if (QWidget* form = Form()) {
        designMinimum_ = form->minimumSize();
        designMaximum_ = form->maximumSize();
        defaultMaximize_ = hasMaximizeIcon(*form);
        hook_->SetWinControl(form);
        if (preventResize_)
            applyMaximizeIcon();
    }
    CheckToggleHook();
}

QWidget* TFormPlacement::Form() const {
    return platform::IsForm(parent()) ? static_cast<QWidget*>(parent()) : nullptr;
}

QString TFormPlacement::GetIniFileName() const {
    if (!iniFileName_.isEmpty())
        return iniFileName_;
    return useRegistry_ ? GetDefaultIniRegKey() : GetDefaultIniName();
}

TIniObject TFormPlacement::IniFile() const {
    if (reg_)
        return reg_.get();
    return ini_.get();
}

// A registry file starts at the key IniFileName of the current user; for another root the same
// path is opened below that root. A key that is not there when reading leaves no file open, so
// every read gives its default.
void TFormPlacement::IniNeeded(bool ReadOnly) {
    const QString fileName = GetIniFileName();
    if (!useRegistry_) {
        ini_ = profileFile(fileName);
        return;
    }
    auto reg = std::make_unique<TRegIniFile>(fileName, ReadOnly);
    if (registryRoot_ != prCurrentUser) {
        reg->SetRootKey(rootKeyOf(registryRoot_));
        if (!reg->OpenKey(fileName, !ReadOnly))
            return;
    }
    reg_ = std::move(reg);
}

void TFormPlacement::IniFree() {
    ini_.reset();
    reg_.reset();
}

QString TFormPlacement::GetIniSection() const {
    return iniSection_.isEmpty() ? GetDefaultSection(parent()) : iniSection_;
}

void TFormPlacement::SaveFormPlacement() {
    if (active_ && !restored_)
        return;
    OpenFile file(this, false);
    platform::InOneRewrite(IniFile(), [this] {
        IniWriteInteger(IniFile(), GetIniSection(), FormVersion, version_);
        SavePlacement();
        Save();
    });
    saved_ = true;
    // Inside saves in one rewrite, only their end tells whether the file was written.
    if (sharedFiles().depth == 0)
        lastError().clear();
}

void TFormPlacement::RestoreFormPlacement() {
    saved_ = false;
    OpenFile file(this, true);
    // A file that cannot be read gives the defaults, and is never written over: say why.
    const QString error = ini_ ? ini_->ReadError() : QString();
    if (error.isEmpty())
        lastError().clear();
    else
        showOnce(error);
    const QString section = GetIniSection();
    if (IniReadInteger(IniFile(), section, FormVersion, 0) >= version_) {
        RestorePlacement();
        restored_ = true;
        Restore();
        QWidget* form = Form();
        if ((options_ & fpActiveControl) && form) {
            const QString name = IniReadString(IniFile(), section, "ActiveControl", QString());
            auto* control = qobject_cast<QWidget*>(platform::FindComponent(form, name));
            if (control && control->isEnabled() && control->focusPolicy() != Qt::NoFocus)
                control->setFocus();
        }
    }
    restored_ = true;
}

void TFormPlacement::SavePlacement() {
    const QString section = GetIniSection();
    if (QWidget* form = Form()) {
        if (options_ & (fpState | fpPosition)) {
            WriteFormPlacement(form, IniFile(), section);
            IniWriteString(IniFile(), section, QStringLiteral("Visible"),
                           destroying_ ? QStringLiteral("1") : QStringLiteral("0"));
        }
        if ((options_ & fpActiveControl) && form->focusWidget())
            IniWriteString(IniFile(), section, QStringLiteral("ActiveControl"),
                           form->focusWidget()->objectName());
    }
    for (TIniLink* link : QList<TIniLink*>(links_))
        link->SaveToIni();
}

void TFormPlacement::RestorePlacement() {
    if (QWidget* form = Form())
        ReadFormPlacement(form, IniFile(), GetIniSection(), options_.testFlag(fpState),
                          options_.testFlag(fpPosition));
    for (TIniLink* link : QList<TIniLink*>(links_))
        link->LoadFromIni();
}

QString TFormPlacement::DoReadString(const QString& Section, const QString& Ident,
                                     const QString& Default) {
    OpenFile file(this, true);
    return IniReadString(IniFile(), Section, Ident, Default);
}

void TFormPlacement::DoWriteString(const QString& Section, const QString& Ident,
                                   const QString& Value) {
    OpenFile file(this, false);
    IniWriteString(IniFile(), Section, Ident, Value);
}

void TFormPlacement::Save() {
    if (OnSavePlacement)
        OnSavePlacement(this);
}

void TFormPlacement::Restore() {
    if (OnRestorePlacement)
        OnRestorePlacement(this);
}

QString TFormPlacement::ReadString(const QString& Ident, const QString& Default) {
    return DoReadString(GetIniSection(), Ident, Default);
}

void TFormPlacement::WriteString(const QString& Ident, const QString& Value) {
    DoWriteString(GetIniSection(), Ident, Value);
}

int TFormPlacement::ReadInteger(const QString& Ident, int Default) {
    OpenFile file(this, true);
    return IniReadInteger(IniFile(), GetIniSection(), Ident, Default);
}

void TFormPlacement::WriteInteger(const QString& Ident, int Value) {
    OpenFile file(this, false);
    IniWriteInteger(IniFile(), GetIniSection(), Ident, Value);
}

void TFormPlacement::EraseSections() {
    if (IniFile())
        return;
    OpenFile file(this, false);
    platform::InOneRewrite(IniFile(), [this] {
        for (const QString& name : IniReadSections(IniFile())) {
            if (name.compare(iniSection_, Qt::CaseInsensitive) == 0 ||
                IsWild(name, iniSection_ + QStringLiteral(".*"), true) ||
                IsWild(name, iniSection_ + QStringLiteral("\\*"), true))
                IniEraseSection(IniFile(), name);
        }
    });
}

void TFormPlacement::FormShow() {
    if (active_)
        reported([this] { RestoreFormPlacement(); });
}

void TFormPlacement::FormCloseQuery() {
    if (active_ && Form())
        reported([this] { SaveFormPlacement(); });
}

void TFormPlacement::FormDestroy() {
    if (!active_ || saved_)
        return;
    destroying_ = true;
    reported([this] { SaveFormPlacement(); });
    destroying_ = false;
}

void TFormPlacement::SetPreventResize(bool Value) {
    if (!Form() || Value == preventResize_)
        return;
    preventResize_ = Value;
    if (!loaded_)
        return;
    if (Value)
        defaultMaximize_ = hasMaximizeIcon(*Form());
    applyConstraints();
    applyMaximizeIcon();
    CheckToggleHook();
}

void TFormPlacement::MinMaxInfoModified() {
    if (!loaded_)
        return;
    applyConstraints();
    CheckToggleHook();
}

// Hooked only while there is a size rule to keep.
void TFormPlacement::CheckToggleHook() {
    hook_->SetActive(Form() && (preventResize_ || !minMaxInfo_.DefaultMinMaxInfo()));
}

void TFormPlacement::WndMessage(QEvent* event) {
    if (event->type() == QEvent::Show)
        applyConstraints();
}

bool TFormPlacement::hasMaximizeIcon(const QWidget& form) {
    return platform::FormBorderIcons(platform::FormFlags(form)) & platform::biMaximize;
}

// A form whose size is kept loses its maximize icon; it comes back to a form that had it, except
// on a dialog's border.
void TFormPlacement::applyMaximizeIcon() {
    QWidget& form = *Form();
    const bool dialog =
        platform::FormBorderStyle(platform::FormFlags(form), false) == platform::bsDialog;
    platform::SetMaximizeIcon(form, !preventResize_ && defaultMaximize_ && !dialog);
}

// The window's designed size limits, narrowed by PreventResize or the non-zero MinMaxInfo.
void TFormPlacement::applyConstraints() {
    QWidget* form = Form();
    if (!form)
        return;
    if (preventResize_) {
        form->setFixedSize(form->size());
        return;
    }
    const auto pick = [this](TWinMinMaxInfo::Field field, int design) {
        const int value = minMaxInfo_.Value(field);
        return value != 0 ? value : design;
    };
    form->setMinimumSize(pick(TWinMinMaxInfo::MinTrackWidth, designMinimum_.width()),
                         pick(TWinMinMaxInfo::MinTrackHeight, designMinimum_.height()));
    form->setMaximumSize(pick(TWinMinMaxInfo::MaxTrackWidth, designMaximum_.width()),
                         pick(TWinMinMaxInfo::MaxTrackHeight, designMaximum_.height()));
}

void TStoredValue::SetName(const QString& Value) {
    if (auto* values = qobject_cast<TStoredValues*>(Collection())) {
        const int other = values->IndexOf(Value);
        if (other >= 0 && other != Index())
            throw std::invalid_argument("String list does not allow duplicates");
    }
    name_ = Value;
}

void TStoredValue::Assign(const TStoredValue& Source) {
    Value = Source.Value;
    SetName(Source.Name());
    KeyString = Source.KeyString;
}

QString TStoredValue::GetDisplayName() const {
    return name_.isEmpty() ? TCollectionItem::GetDisplayName() : name_;
}

TFormStorage* TStoredValue::storage() const {
    auto* values = qobject_cast<TStoredValues*>(Collection());
    return values ? values->Storage() : nullptr;
}

void TStoredValue::Save() {
    TFormStorage* store = storage();
    if (!store)
        return;
    QVariant saved = Value;
    if (OnSave)
        OnSave(this, saved);
    QString text = saved.toString();
    if (!KeyString.isEmpty())
        text = XorEncode(KeyString, text);
    store->WriteString(name_, text);
}

void TStoredValue::Restore() {
    TFormStorage* store = storage();
    if (!store)
        return;
    QString text = Value.toString();
    if (!KeyString.isEmpty())
        text = XorEncode(KeyString, text);
    text = store->ReadString(name_, text);
    if (!KeyString.isEmpty())
        text = XorDecode(KeyString, text);
    QVariant restored(text);
    if (OnRestore)
        OnRestore(this, restored);
    Value = restored;
}

TStoredValues::TStoredValues(TFormStorage* AOwner)
    : TCollection([] { return new TStoredValue; }, AOwner), storage_(AOwner) {}

TStoredValue* TStoredValues::Items(int Index) const {
    return static_cast<TStoredValue*>(TCollection::Items(Index));
}

TStoredValue* TStoredValues::Add() {
    return static_cast<TStoredValue*>(TCollection::Add());
}

int TStoredValues::IndexOf(const QString& Name) const {
    for (int i = 0; i < Count(); ++i) {
        if (Items(i)->Name().compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

TStoredValue* TStoredValues::StoredValue(const QString& Name) const {
    const int index = IndexOf(Name);
    return index < 0 ? nullptr : Items(index);
}

void TStoredValues::SaveValues() {
    for (int i = 0; i < Count(); ++i)
        Items(i)->Save();
}

void TStoredValues::RestoreValues() {
    for (int i = 0; i < Count(); ++i)
        Items(i)->Restore();
}

TFormStorage::TFormStorage(QObject* AOwner)
    : TFormPlacement(AOwner), storedValues_(new TStoredValues(this)) {}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
    bindStoredProps();
}

void TFormStorage::SetStoredProps(const QStringList& Value) {
    storedProps_.clear();
    for (const QString& text : Value)
        storedProps_.append(TStoredEntry{text, nullptr});
    if (loaded_)
        bindStoredProps();
}

// Entries follow their components: a component that goes takes its entries with it.
void TFormStorage::bindStoredProps() {
    UpdateStoredList(parent(), storedProps_, true);
    for (const TStoredEntry& entry : std::as_const(storedProps_))
        connect(entry.Object, &QObject::destroyed, this, &TFormStorage::componentDestroyed,
                Qt::UniqueConnection);
}

void TFormStorage::componentDestroyed(QObject* component) {
    storedProps_.removeIf(
        [component](const TStoredEntry& e) { return !e.Object || e.Object == component; });
}

QVariant TFormStorage::StoredValue(const QString& Name) const {
    const TStoredValue* value = storedValues_->StoredValue(Name);
    return value ? value->Value : QVariant();
}

void TFormStorage::SetStoredValue(const QString& Name, const QVariant& Value) {
    TStoredValue* value = storedValues_->StoredValue(Name);
    if (!value) {
        value = storedValues_->Add();
        value->SetName(Name);
    }
    value->Value = Value;
}

void TFormStorage::SavePlacement() {
    TFormPlacement::SavePlacement();
    SaveProperties();
    storedValues_->SaveValues();
}

void TFormStorage::RestorePlacement() {
    TFormPlacement::RestorePlacement();
    restored_ = true;
    RestoreProperties();
    storedValues_->RestoreValues();
}

void TFormStorage::SaveProperties() {
    TPropsStorage storage;
    storage.Section = GetIniSection();
    storage.OnWriteString = [this](const QString& section, const QString& key,
                                   const QString& value) { DoWriteString(section, key, value); };
    storage.OnEraseSection = [this](const QString& section) {
        IniEraseSection(IniFile(), section);
    };
    storage.StoreObjectsProps(parent(), storedProps_);
}

void TFormStorage::RestoreProperties() {
    TPropsStorage storage;
    storage.Section = GetIniSection();
    storage.OnReadString = [this](const QString& section, const QString& key,
                                  const QString& fallback) {
        return DoReadString(section, key, fallback);
    };
    try {
        storage.LoadObjectsProps(parent(), storedProps_);
    } catch (...) {
        // Stored properties that cannot be loaded leave the window as designed.
    }
}
