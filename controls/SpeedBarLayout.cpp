// The speed bar's stored layout: its sections, items and place in an INI file or the registry.

#include "controls/SpeedBar.h"
#include "controls/SpeedBarEdges.h"

#include "platform/Scaling.h"
#include "storage/Apputils.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>

namespace {

// A stored place beyond any screen is not taken literally.
constexpr int MaxPlace = 32767;

// Where the items' layout is written, and how many have been.
struct TLayoutWriter {
    TIniObject IniFile;
    QString Section;
    int Count = 0;
};

// A visible, stored item as the next "Button" key: its name and place.
void WriteItemLayout(TSpeedItem* Item, TLayoutWriter& Data) {
    if (!Item->Visible() || !Item->Stored())
        return;
    ++Data.Count;
    IniWriteString(
        Data.IniFile, Data.Section, QStringLiteral("Button%1").arg(Data.Count),
        QStringLiteral("%1,%2,%3").arg(Item->objectName()).arg(Item->Left()).arg(Item->Top()));
}

void HideItem(TSpeedItem* Item, int) {
    Item->SetVisible(false);
}

} // namespace

// ---- stored layout

void TSpeedBar::IniSave(TIniLink* Sender) {
    if (!objectName().isEmpty() && Sender->IniObject())
        InternalSaveLayout(Sender->IniObject(), Sender->RootSection() + GetDefaultSection(this));
}

void TSpeedBar::IniLoad(TIniLink* Sender) {
    if (!objectName().isEmpty() && Sender->IniObject())
        InternalRestoreLayout(Sender->IniObject(), Sender->RootSection() + GetDefaultSection(this));
}

void TSpeedBar::SaveLayout(TIniFile* IniFile) {
    InternalSaveLayout(IniFile, GetDefaultSection(this));
}

void TSpeedBar::RestoreLayout(TIniFile* IniFile) {
    InternalRestoreLayout(IniFile, GetDefaultSection(this));
}

void TSpeedBar::SaveLayoutReg(TRegIniFile* IniFile) {
    InternalSaveLayout(IniFile, GetDefaultSection(this));
}

void TSpeedBar::RestoreLayoutReg(TRegIniFile* IniFile) {
    InternalRestoreLayout(IniFile, GetDefaultSection(this));
}

void TSpeedBar::InternalSaveLayout(TIniObject IniFile, const QString& Section) {
    // One rewrite of the file for the whole layout.
    platform::InOneRewrite(IniFile, [&] {
        IniEraseSection(IniFile, Section);
        IniWriteInteger(IniFile, Section, QStringLiteral("Position"), int(align_));
        if (IsEdge(align_))
            IniWriteInteger(IniFile, Section, QStringLiteral("Width"),
                            IsHorizontalEdge(align_) ? height() : width());
        IniWriteInteger(IniFile, Section, QStringLiteral("Version"), Version);
        IniWriteInteger(IniFile, Section, QStringLiteral("PixelsPerInch"), ScreenPixelsPerInch());
        IniWriteInteger(IniFile, Section, QStringLiteral("BtnWidth"), btnSize_.x());
        IniWriteInteger(IniFile, Section, QStringLiteral("BtnHeight"), btnSize_.y());
        TLayoutWriter writer{IniFile, Section};
        ForEachItem([&writer](TSpeedItem* item, int) { WriteItemLayout(item, writer); }, 0);
        IniWriteInteger(IniFile, Section, QStringLiteral("Count"), writer.Count);
    });
}

namespace {

// The numbers of the "Button" keys the section holds, in order.
std::vector<int> StoredButtonNumbers(TIniObject ini, const QString& section) {
    QStringList keys;
    if (ini.IniFile())
        keys = ini.IniFile()->ReadSection(section);
    else if (ini.RegIniFile())
        keys = ini.RegIniFile()->ReadSection(section);
    static const QRegularExpression pattern(QStringLiteral("^button([0-9]{1,9})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    std::vector<int> numbers;
    for (const QString& key : keys) {
        const QRegularExpressionMatch match = pattern.match(key.trimmed());
        if (match.hasMatch())
            numbers.push_back(match.captured(1).toInt());
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

int WordAsInt(const QStringList& words, int index, int fallback) {
    if (index >= words.size())
        return fallback;
    bool ok = false;
    const int value = words.at(index).toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

void TSpeedBar::InternalRestoreLayout(TIniObject IniFile, const QString& Section) {
    const TAlign remembered = align_;
    prevAlign_ = remembered;
    if (IniReadInteger(IniFile, Section, QStringLiteral("Version"), Version) < Version)
        return;
    if (options_.testFlag(sbAllowDrag)) {
        const int position =
            IniReadInteger(IniFile, Section, QStringLiteral("Position"), int(align_));
        try {
            if (position < alNone || position > alClient)
                throw ESpeedbarError(QString::fromLatin1(AutoPositionText));
            SetAlign(TAlign(position));
        } catch (const ESpeedbarError&) {
            SetAlign(alTop);
        }
    }
    const int formPixels = platform::ParentForm(this) ? ScreenPixelsPerInch() : 0;
    if (IniReadInteger(IniFile, Section, QStringLiteral("PixelsPerInch"), formPixels) !=
        ScreenPixelsPerInch()) {
        if (align_ != remembered)
            PosChanged();
        return;
    }
    if (options_.testFlag(sbAllowResize)) {
        if (IsHorizontalEdge(align_)) {
            const int least = 2 * offset_.y() + btnSize_.y();
            resize(width(), std::max(least, IniReadInteger(IniFile, Section,
                                                           QStringLiteral("Width"), height())));
        } else if (align_ == alLeft || align_ == alRight) {
            const int least = 2 * offset_.x() + btnSize_.x();
            resize(
                std::max(least, IniReadInteger(IniFile, Section, QStringLiteral("Width"), width())),
                height());
        }
    }
    if (align_ != remembered)
        PosChanged();
    const int count = IniReadInteger(IniFile, Section, QStringLiteral("Count"), 0);
    if (count > 0) {
        ForEachItem(HideItem, 0);
        static const QRegularExpression separators(QStringLiteral("[ ,]+"));
        for (int n : StoredButtonNumbers(IniFile, Section)) {
            if (n < 1 || n > count)
                continue;
            const QString value =
                IniReadString(IniFile, Section, QStringLiteral("Button%1").arg(n), QString());
            const QStringList words = value.split(separators, Qt::SkipEmptyParts);
            if (words.isEmpty())
                continue;
            TSpeedItem* item = SearchItem(words.at(0));
            if (!item)
                continue;
            item->SetLeft(std::clamp(WordAsInt(words, 1, item->Left()), offset_.x(), MaxPlace));
            item->SetTop(std::clamp(WordAsInt(words, 2, item->Top()), offset_.y(), MaxPlace));
            item->SetVisible(true);
        }
    }
    update();
}
