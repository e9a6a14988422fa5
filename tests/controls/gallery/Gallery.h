#pragma once
// Pages of the controls gallery. Each page file registers itself:
//   static const bool registered = gallery::AddPage("Labels", [] { return new LabelsPage; });

#include <QString>
#include <QWidget>

#include <functional>

namespace gallery {

using PageFactory = std::function<QWidget*()>;

bool AddPage(const QString& name, PageFactory factory);

} // namespace gallery
