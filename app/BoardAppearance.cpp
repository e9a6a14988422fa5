#include "app/BoardAppearance.h"

// The resource lives in this static library; its registration must be referenced.
static void RegisterPatterns() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(patterns);
        return true;
    }();
    (void)registered;
}

namespace {

const char* const PatternFiles[BoardPatternImageCount] = {
    "palissandro", "bosso",        "ebano",         "sicomoro",
    "pelle-scura", "pelle-chiara", "tessuto-scuro", "tessuto-chiaro"};

constexpr int MenuBitmapSize = 16;

} // namespace

QPixmap BoardPatternImage(int index) {
    if (index < 0 || index >= BoardPatternImageCount)
        return QPixmap();
    RegisterPatterns();
    return QPixmap(QStringLiteral(":/patterns/%1.png").arg(QLatin1String(PatternFiles[index])));
}

QPixmap ColorMenuBitmap(TColor color) {
    QPixmap bitmap(MenuBitmapSize, MenuBitmapSize);
    bitmap.fill(platform::ToQColor(color));
    return bitmap;
}
