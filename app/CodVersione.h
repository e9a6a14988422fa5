#pragma once
// The application-information record: name, version and dates, built once at start-up.

#include <QString>

struct TVersione {
    TVersione();

    QString Name;
    float VersionNumber;
    QString VersionText;
    QString VersionCaption;
    QString Years;
    double ReleaseDate;
    double SecondDate;
    int Spare;

    // "Quendel 2.09": the main window's title without a file.
    QString Title() const { return Name + QLatin1Char(' ') + VersionText; }
};

extern const TVersione AppInfo;
