#pragma once
// The registry through which a copy reports its progress to any kind of progress control: per
// control class the names of its maximum, minimum and position properties.

#include <QObject>
#include <QString>

void RegisterProgressControl(const QMetaObject* Class, const QString& MaxPropName,
                             const QString& MinPropName, const QString& ProgressPropName);
// Removes every record of exactly that class.
void UnRegisterProgressControl(const QMetaObject* Class);
bool SupportsProgressControl(const QObject* Control);
// True when the control's record names a property that took the value.
bool SetProgressMax(QObject* Control, qint64 MaxValue);
bool SetProgressMin(QObject* Control, qint64 MinValue);
bool SetProgressValue(QObject* Control, qint64 ProgressValue);
