#pragma once
// The recent-files list: a short list of names shown as numbered items under a menu, kept in a
// sub-section of a window's settings store.

#include "storage/Placemnt.h"

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <functional>

enum TRecentMode { rmInsert, rmAppend };
enum TAccelDelimiter { adTab, adSpace };

// A list of names with integer user data that keeps its newest entry at one end and drops
// entries beyond MaxSize. Names are compared ignoring case.
class TRecentStrings {
public:
    int Count() const { return int(items_.size()); }
    const QString& Strings(int Index) const { return items_.at(Index).first; }
    int Objects(int Index) const { return items_.at(Index).second; }
    int IndexOf(const QString& S) const;

    int MaxSize() const { return maxSize_; }
    void SetMaxSize(int Value);
    TRecentMode Mode() const { return mode_; }
    void SetMode(TRecentMode Value) { mode_ = Value; }

    // Returns the entry's position: 0 for rmInsert, the last for rmAppend.
    int Add(const QString& S, int UserData = 0);
    void AddStrings(const TRecentStrings& Strings);
    void Remove(const QString& S);
    void Delete(int Index);
    void Clear();
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    // Called after every change, once the outermost update has ended.
    std::function<void()> OnChange;

private:
    void changed();
    void trim();

    QList<std::pair<QString, int>> items_;
    int maxSize_ = 10;
    TRecentMode mode_ = rmInsert;
    int updateCount_ = 0;
    bool pending_ = false;
};

class TMRUManager : public QObject {
    Q_OBJECT
public:
    using TGetItemEvent = std::function<void(QObject* Sender, QString& Caption,
                                             QKeySequence& ShortCut, int UserData)>;
    using TClickMenuEvent = std::function<void(QObject* Sender, const QString& RecentName,
                                               const QString& Caption, int UserData)>;
    using TReadItemEvent =
        std::function<void(QObject* Sender, TIniObject IniFile, const QString& Section, int Index,
                           QString& RecentName, int& UserData)>;
    using TWriteItemEvent =
        std::function<void(QObject* Sender, TIniObject IniFile, const QString& Section, int Index,
                           const QString& RecentName, int UserData)>;

    explicit TMRUManager(QObject* AOwner = nullptr);
    ~TMRUManager() override;

    void Add(const QString& RecentName, int UserData);
    void Remove(const QString& RecentName);
    void Clear();
    void UpdateRecentMenu();
    void LoadFromIni(TIniFile* Ini, const QString& Section);
    void SaveToIni(TIniFile* Ini, const QString& Section);
    void LoadFromRegistry(TRegIniFile* Ini, const QString& Section);
    void SaveToRegistry(TRegIniFile* Ini, const QString& Section);

    const TRecentStrings& Strings() const { return list_; }
    TAccelDelimiter AccelDelimiter() const { return accelDelimiter_; }
    void SetAccelDelimiter(TAccelDelimiter Value);
    bool AutoEnable() const { return autoEnable_; }
    void SetAutoEnable(bool Value);
    bool AutoUpdate() const { return autoUpdate_; }
    void SetAutoUpdate(bool Value) { autoUpdate_ = Value; }
    int Capacity() const { return list_.MaxSize(); }
    void SetCapacity(int Value) { list_.SetMaxSize(Value); }
    TRecentMode Mode() const { return list_.Mode(); }
    void SetMode(TRecentMode Value) { list_.SetMode(Value); }
    bool RemoveOnSelect() const { return removeOnSelect_; }
    void SetRemoveOnSelect(bool Value) { removeOnSelect_ = Value; }
    TFormPlacement* IniStorage() const { return iniLink_.Storage(); }
    void SetIniStorage(TFormPlacement* Value) { iniLink_.SetStorage(Value); }
    quint16 SeparateSize() const { return separateSize_; }
    void SetSeparateSize(quint16 Value);
    QMenu* RecentMenu() const { return recentMenu_; }
    void SetRecentMenu(QMenu* Value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool Value);
    uint StartAccel() const { return startAccel_; }
    void SetStartAccel(uint Value);

    TNotifyEvent OnChange;
    TGetItemEvent OnGetItemData;
    TClickMenuEvent OnClick;
    TReadItemEvent OnReadItem;
    TWriteItemEvent OnWriteItem;

protected:
    virtual void Change();
    virtual void DoReadItem(TIniObject Ini, const QString& Section, int Index, QString& RecentName,
                            int& UserData);
    virtual void DoWriteItem(TIniObject Ini, const QString& Section, int Index,
                             const QString& RecentName, int UserData);
    virtual void GetItemData(QString& Caption, QKeySequence& ShortCut, int UserData);
    virtual void DoClick(const QString& RecentName, const QString& Caption, int UserData);

private:
    void loadItems(TIniObject Ini, const QString& Section);
    void saveItems(TIniObject Ini, const QString& Section);
    void listChanged();
    void removeItems();
    void enableMenu();
    void MenuItemClick(QAction* item);
    QString iniSection() const;
    QString accelerator(int index) const;

    TRecentStrings list_;
    QList<QPointer<QAction>> items_;
    TIniLink iniLink_;
    quint16 separateSize_ = 0;
    bool autoEnable_ = true;
    bool autoUpdate_ = true;
    bool showAccelChar_ = true;
    bool removeOnSelect_ = false;
    uint startAccel_ = 1;
    TAccelDelimiter accelDelimiter_ = adTab;
    QPointer<QMenu> recentMenu_;
    bool clicking_ = false;
    bool rebuildPending_ = false;
};
