#include "platform/Colors.h"

#include <QApplication>
#include <QPalette>

namespace platform {

namespace {

QColor systemColor(int index) {
    const QPalette palette = QApplication::palette();
    switch (index) {
    case 5:
        return palette.color(QPalette::Base);
    case 6:
        return palette.color(QPalette::Shadow);
    case 16:
        return palette.color(QPalette::Dark);
    case 7:
    case 8:
        return palette.color(QPalette::Text);
    case 13:
    case 2:
        return palette.color(QPalette::Highlight);
    // The caption's text stands on the active caption's colour.
    case 9:
    case 14:
        return palette.color(QPalette::HighlightedText);
    case 17:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return palette.color(QPalette::ButtonText);
    case 20:
        return palette.color(QPalette::Light);
    case 21:
        return palette.color(QPalette::Shadow);
    case 22:
        return palette.color(QPalette::Midlight);
    case 23:
        return palette.color(QPalette::ToolTipText);
    case 24:
        return palette.color(QPalette::ToolTipBase);
    case 3:
    case 11:
    case 12:
        return palette.color(QPalette::Mid);
    default:
        return palette.color(QPalette::Window);
    }
}

} // namespace

QColor ToQColor(TColor color) {
    const auto value = static_cast<std::uint32_t>(color);
    if (value & 0x80000000u)
        return systemColor(int(value & 0xFF));
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

TColor FromQColor(const QColor& color) {
    return TColor(color.red() | (color.green() << 8) | (color.blue() << 16));
}

} // namespace platform
