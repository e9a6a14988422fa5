// The restore of stored MDI children reads no more items than any stored count may name.

#include "storage/Apputils.h"
#include "storage/KXProps.h"

#include "platform/Classes.h"
#include "platform/IniFile.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

class TFiglioOltreIlLimite : public QWidget {
    Q_OBJECT
};

namespace {

TEST(MdiChildrenCap, AStoredCountPastTheCapCreatesNothingItsLastItemNames) {
    platform::RegisterClass<TFiglioOltreIlLimite>();
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("mdi.ini"));
    struct Case {
        int count;
        int registeredItem;
        int created;
    };
    const Case cases[] = {
        {MaxStoredCount, MaxStoredCount - 1, 1},
        {MaxStoredCount + 1, MaxStoredCount, 0},
        {-1, 0, 0},
    };
    for (const Case& c : cases) {
        ini.EraseSection("MDI Children");
        ini.WriteInteger("MDI Children", "Count", c.count);
        ini.WriteString("MDI Children", QStringLiteral("Item%1").arg(c.registeredItem),
                        "TFiglioOltreIlLimite");
        QWidget form;
        auto* area = new QMdiArea(&form);
        RestoreMDIChildren(&form, &ini);
        EXPECT_EQ(area->subWindowList().size(), c.created) << c.count;
    }
}

} // namespace

#include "MdiChildrenCapTest.moc"
