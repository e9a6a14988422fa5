#include "app/CodVersione.h"

#include "platform/DateTime.h"

TVersione::TVersione()
    : Name(QStringLiteral("Quendel")), VersionNumber(2.09f), VersionText(QStringLiteral("2.09")),
      VersionCaption(QStringLiteral("Versione 2.09")), Years(QStringLiteral("2000-2012")),
      ReleaseDate(platform::DateToDays(QDate(2012, 1, 30))),
      SecondDate(platform::DateToDays(QDate(2011, 9, 30))), Spare(0) {}

const TVersione AppInfo;
