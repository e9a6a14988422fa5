#include "storage/Kxprgrss.h"

#include <QMetaProperty>
#include <QProgressBar>

#include <limits>
#include <vector>

namespace {

struct ProgressRecord {
    const QMetaObject* controlClass;
    QByteArray maxName, minName, progressName;
};

// Created on first use with the platform's progress bar in it.
std::vector<ProgressRecord>& records() {
    static std::vector<ProgressRecord> list{
        {&QProgressBar::staticMetaObject, "maximum", "minimum", "value"}};
    return list;
}

const ProgressRecord* recordOf(const QObject* control) {
    if (!control)
        return nullptr;
    const auto& list = records();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (control->metaObject()->inherits(it->controlClass))
            return &*it;
    }
    return nullptr;
}

// Integer properties take the value held to their range; others take it as it is.
bool setNamed(QObject* control, const QByteArray& name, qint64 value) {
    const int index = control->metaObject()->indexOfProperty(name.constData());
    if (index < 0)
        return false;
    const QMetaProperty property = control->metaObject()->property(index);
    if (property.metaType().id() == QMetaType::Int)
        return property.write(control,
                              int(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max())));
    return property.write(control, QVariant(value));
}

} // namespace

void RegisterProgressControl(const QMetaObject* Class, const QString& MaxPropName,
                             const QString& MinPropName, const QString& ProgressPropName) {
    records().push_back({Class, MaxPropName.left(63).toLatin1(), MinPropName.left(63).toLatin1(),
                         ProgressPropName.left(63).toLatin1()});
}

void UnRegisterProgressControl(const QMetaObject* Class) {
    auto& list = records();
    std::erase_if(list, [Class](const ProgressRecord& r) { return r.controlClass == Class; });
}

bool SupportsProgressControl(const QObject* Control) {
    return recordOf(Control) != nullptr;
}

bool SetProgressMax(QObject* Control, qint64 MaxValue) {
    const ProgressRecord* record = recordOf(Control);
    return record && setNamed(Control, record->maxName, MaxValue);
}

bool SetProgressMin(QObject* Control, qint64 MinValue) {
    const ProgressRecord* record = recordOf(Control);
    return record && setNamed(Control, record->minName, MinValue);
}

bool SetProgressValue(QObject* Control, qint64 ProgressValue) {
    const ProgressRecord* record = recordOf(Control);
    return record && setNamed(Control, record->progressName, ProgressValue);
}
