#include "storage/MRUList.h"

#include "platform/MessageBox.h"
#include "storage/Apputils.h"

#include <QAction>
#include <QMenu>

int TRecentStrings::IndexOf(const QString& S) const {
    for (int i = 0; i < Count(); ++i) {
        if (Strings(i).compare(S, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TRecentStrings::SetMaxSize(int Value) {
    const int size = std::max(Value, 1);
    if (size == maxSize_)
        return;
    maxSize_ = size;
    trim();
}

int TRecentStrings::Add(const QString& S, int UserData) {
    BeginUpdate();
    const int found = IndexOf(S);
    if (found < 0) {
        if (mode_ == rmInsert)
            items_.prepend({S, UserData});
        else
            items_.append({S, UserData});
        trim();
    } else {
        items_.move(found, mode_ == rmInsert ? 0 : Count() - 1);
    }
    pending_ = true;
    EndUpdate();
    return mode_ == rmInsert ? 0 : Count() - 1;
}

void TRecentStrings::AddStrings(const TRecentStrings& Strings) {
    BeginUpdate();
    const int count = std::min(Strings.Count(), maxSize_);
    for (int n = 0; n < count; ++n) {
        const int i = mode_ == rmAppend ? n : count - 1 - n;
        if (mode_ == rmAppend)
            items_.append({Strings.Strings(i), Strings.Objects(i)});
        else
            items_.prepend({Strings.Strings(i), Strings.Objects(i)});
    }
    trim();
    pending_ = true;
    EndUpdate();
}

void TRecentStrings::Remove(const QString& S) {
    const int found = IndexOf(S);
    if (found >= 0)
        Delete(found);
}

void TRecentStrings::Delete(int Index) {
    items_.removeAt(Index);
    changed();
}

void TRecentStrings::Clear() {
    if (items_.isEmpty())
        return;
    items_.clear();
    changed();
}

void TRecentStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && pending_)
        changed();
}

void TRecentStrings::changed() {
    pending_ = true;
    if (updateCount_ > 0)
        return;
    pending_ = false;
    if (OnChange)
        OnChange();
}

void TRecentStrings::trim() {
    if (Count() <= maxSize_)
        return;
    if (mode_ == rmInsert)
        items_.resize(maxSize_);
    else
        items_.remove(0, Count() - maxSize_);
    changed();
}

TMRUManager::TMRUManager(QObject* AOwner) : QObject(AOwner) {
    list_.OnChange = [this] { listChanged(); };
    iniLink_.OnSave = [this](TIniLink*) {
        if (!objectName().isEmpty() && iniLink_.IniObject())
            saveItems(iniLink_.IniObject(), iniSection());
    };
    iniLink_.OnLoad = [this](TIniLink*) {
        if (!objectName().isEmpty() && iniLink_.IniObject())
            loadItems(iniLink_.IniObject(), iniSection());
    };
}

TMRUManager::~TMRUManager() {
    list_.OnChange = nullptr;
    removeItems();
}

void TMRUManager::Add(const QString& RecentName, int UserData) {
    list_.Add(RecentName, UserData);
}

void TMRUManager::Remove(const QString& RecentName) {
    list_.Remove(RecentName);
}

void TMRUManager::Clear() {
    list_.Clear();
}

void TMRUManager::listChanged() {
    Change();
    if (autoUpdate_)
        UpdateRecentMenu();
}

void TMRUManager::Change() {
    if (OnChange)
        OnChange(this);
}

QString TMRUManager::iniSection() const {
    return iniLink_.RootSection() + GetDefaultSection(this);
}

void TMRUManager::SetAccelDelimiter(TAccelDelimiter Value) {
    if (Value == accelDelimiter_)
        return;
    accelDelimiter_ = Value;
    if (autoUpdate_ && showAccelChar_)
        UpdateRecentMenu();
}

void TMRUManager::SetAutoEnable(bool Value) {
    if (Value == autoEnable_)
        return;
    autoEnable_ = Value;
    if (autoEnable_)
        enableMenu();
}

void TMRUManager::SetSeparateSize(quint16 Value) {
    if (Value == separateSize_)
        return;
    separateSize_ = Value;
    if (autoUpdate_)
        UpdateRecentMenu();
}

void TMRUManager::SetShowAccelChar(bool Value) {
    if (Value == showAccelChar_)
        return;
    showAccelChar_ = Value;
    if (autoUpdate_)
        UpdateRecentMenu();
}

void TMRUManager::SetStartAccel(uint Value) {
    if (Value == startAccel_)
        return;
    startAccel_ = Value;
    if (autoUpdate_)
        UpdateRecentMenu();
}

void TMRUManager::SetRecentMenu(QMenu* Value) {
    removeItems();
    recentMenu_ = Value;
    UpdateRecentMenu();
}

void TMRUManager::enableMenu() {
    if (autoEnable_ && recentMenu_)
        recentMenu_->menuAction()->setEnabled(!recentMenu_->actions().isEmpty());
}

// The actions leave the menu at once and are freed on a later turn of the event loop.
void TMRUManager::removeItems() {
    for (const QPointer<QAction>& item : std::exchange(items_, {})) {
        if (!item)
            continue;
        if (recentMenu_)
            recentMenu_->removeAction(item);
        item->deleteLater();
    }
}

QString TMRUManager::accelerator(int index) const {
    const qint64 n = qint64(index) + startAccel_;
    if (n < 10)
        return u'&' + QString::number(n);
    if (n <= 100)
        return u'&' + QString(QChar(char16_t('A' + n - 10)));
    return QStringLiteral(" ");
}

void TMRUManager::UpdateRecentMenu() {
    // Rebuilding under the item being clicked waits until its click has finished.
    if (clicking_) {
        rebuildPending_ = true;
        return;
    }
    removeItems();
    enableMenu();
    if (!recentMenu_)
        return;
    auto append = [this](QAction* item) {
        recentMenu_->addAction(item);
        items_.append(item);
    };
    if (list_.Count() > 0 && !recentMenu_->actions().isEmpty()) {
        auto* separator = new QAction(recentMenu_);
        separator->setSeparator(true);
        append(separator);
    }
    for (int i = 0; i < list_.Count(); ++i) {
        if (separateSize_ > 0 && i > 0 && i % separateSize_ == 0) {
            auto* separator = new QAction(recentMenu_);
            separator->setSeparator(true);
            append(separator);
        }
        QString text = list_.Strings(i);
        QKeySequence shortCut;
        GetItemData(text, shortCut, list_.Objects(i));
        const qsizetype bar = text.indexOf(u'|');
        QString caption = bar < 0 ? text : text.left(bar);
        if (showAccelChar_)
            caption = accelerator(i) + (accelDelimiter_ == adTab ? u'\t' : u' ') + caption;
        auto* item = new QAction(caption, recentMenu_);
        item->setShortcut(shortCut);
        item->setStatusTip(bar < 0 ? text : text.mid(bar + 1));
        item->setData(i);
        connect(item, &QAction::triggered, this, [this, item] {
            // An error of the click handler is shown here: it must not unwind through Qt.
            try {
                MenuItemClick(item);
            } catch (const std::exception& e) {
                platform::ShowError(QString::fromUtf8(e.what()));
            }
        });
        append(item);
    }
    enableMenu();
}

void TMRUManager::MenuItemClick(QAction* item) {
    bool ok = false;
    const int index = item->data().toInt(&ok);
    if (!ok || index < 0 || index >= list_.Count())
        return;
    struct AfterClick {
        TMRUManager* manager;
        int index;
        ~AfterClick() {
            manager->clicking_ = false;
            if (manager->removeOnSelect_ && index < manager->list_.Count())
                manager->list_.Delete(index);
            if (std::exchange(manager->rebuildPending_, false))
                manager->UpdateRecentMenu();
        }
    } after{this, index};
    clicking_ = true;
    // The handler may remove the entry: it gets a name of its own.
    const QString name = list_.Strings(index);
    DoClick(name, item->text(), list_.Objects(index));
}

void TMRUManager::GetItemData(QString& Caption, QKeySequence& ShortCut, int UserData) {
    if (OnGetItemData)
        OnGetItemData(this, Caption, ShortCut, UserData);
}

void TMRUManager::DoClick(const QString& RecentName, const QString& Caption, int UserData) {
    if (OnClick)
        OnClick(this, RecentName, Caption, UserData);
}

void TMRUManager::DoReadItem(TIniObject Ini, const QString& Section, int Index, QString& RecentName,
                             int& UserData) {
    if (OnReadItem) {
        OnReadItem(this, Ini, Section, Index, RecentName, UserData);
        return;
    }
    RecentName = IniReadString(Ini, Section, QStringLiteral("Item_%1").arg(Index), QString());
    UserData = IniReadInteger(Ini, Section, QStringLiteral("User_%1").arg(Index), 0);
}

void TMRUManager::DoWriteItem(TIniObject Ini, const QString& Section, int Index,
                              const QString& RecentName, int UserData) {
    if (OnWriteItem) {
        OnWriteItem(this, Ini, Section, Index, RecentName, UserData);
        return;
    }
    IniWriteString(Ini, Section, QStringLiteral("Item_%1").arg(Index), RecentName);
    if (UserData != 0)
        IniWriteInteger(Ini, Section, QStringLiteral("User_%1").arg(Index), UserData);
    else
        IniDeleteKey(Ini, Section, QStringLiteral("User_%1").arg(Index));
}

void TMRUManager::LoadFromIni(TIniFile* Ini, const QString& Section) {
    loadItems(Ini, Section);
}

void TMRUManager::SaveToIni(TIniFile* Ini, const QString& Section) {
    saveItems(Ini, Section);
}

void TMRUManager::LoadFromRegistry(TRegIniFile* Ini, const QString& Section) {
    loadItems(Ini, Section);
}

void TMRUManager::SaveToRegistry(TRegIniFile* Ini, const QString& Section) {
    saveItems(Ini, Section);
}

void TMRUManager::saveItems(TIniObject Ini, const QString& Section) {
    platform::InOneRewrite(Ini, [&] {
        IniEraseSection(Ini, Section);
        for (int i = 0; i < list_.Count(); ++i)
            DoWriteItem(Ini, Section, i, list_.Strings(i), list_.Objects(i));
    });
}

void TMRUManager::loadItems(TIniObject Ini, const QString& Section) {
    const TRecentMode mode = list_.Mode();
    list_.BeginUpdate();
    list_.Clear();
    list_.SetMode(rmInsert);
    for (int i = Capacity() - 1; i >= 0; --i) {
        QString name;
        int data = 0;
        DoReadItem(Ini, Section, i, name, data);
        if (!name.isEmpty())
            list_.Add(name, data);
    }
    list_.SetMode(mode);
    list_.EndUpdate();
}
