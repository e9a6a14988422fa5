#include "storage/Clipicon.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPainter>
#include <QStyle>

const QString CF_ICON = QStringLiteral("application/x-quendel-icon");

namespace {

QImage defaultApplicationIcon() {
    const QIcon icon = QApplication::windowIcon().isNull()
                           ? QApplication::style()->standardIcon(QStyle::SP_DesktopIcon)
                           : QApplication::windowIcon();
    return icon.pixmap(platform::SystemIconSize()).toImage();
}

const QMimeData* clipboardIcon() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(CF_ICON) ? data : nullptr;
}

} // namespace

void CopyIconToClipboard(const TIcon& Icon, TColor BackColor) {
    const QImage icon = CreateRealSizeIcon(Icon);
    QImage bitmap(icon.size(), QImage::Format_RGB32);
    bitmap.fill(platform::ToQColor(BackColor));
    {
        QPainter painter(&bitmap);
        painter.drawImage(0, 0, icon);
    }
    auto* data = new QMimeData;
    data->setImageData(bitmap);
    data->setData(CF_ICON, Icon.SaveToData());
    QGuiApplication::clipboard()->setMimeData(data);
}

void AssignClipboardIcon(TIcon& Icon) {
    if (const QMimeData* data = clipboardIcon())
        Icon.LoadFromData(data->data(CF_ICON));
}

std::unique_ptr<TIcon> CreateIconFromClipboard() {
    if (!clipboardIcon())
        return nullptr;
    auto icon = std::make_unique<TIcon>();
    if (!icon->LoadFromData(clipboardIcon()->data(CF_ICON)))
        return nullptr;
    return icon;
}

void GetIconSize(const QImage& Icon, int& W, int& H) {
    const QSize size = Icon.isNull() ? platform::SystemIconSize() : Icon.size();
    W = size.width();
    H = size.height();
}

QImage CreateRealSizeIcon(const TIcon& Icon) {
    const QByteArray data = Icon.SaveToData();
    const QList<platform::IconEntry> entries =
        platform::ReadIconDirectory(data).value_or(QList<platform::IconEntry>());
    if (entries.isEmpty())
        return defaultApplicationIcon();
    if (entries.size() > 1)
        return Icon.Handle();
    return platform::DecodeIconImage(
        data, entries.at(platform::ChooseIconEntry(entries, platform::DisplayBitsPerPixel())));
}

void DrawRealSizeIcon(QPainter& Canvas, const TIcon& Icon, int X, int Y) {
    Canvas.drawImage(X, Y, CreateRealSizeIcon(Icon));
}
