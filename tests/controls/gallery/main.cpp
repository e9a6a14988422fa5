// The controls gallery: every registered page in a tab, or one page with --page NAME.

#include "Gallery.h"
#include "platform/Scaling.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPainter>
#include <QTabWidget>
#include <QTimer>

#include <map>

namespace gallery {

static std::map<QString, PageFactory>& Pages() {
    static std::map<QString, PageFactory> pages;
    return pages;
}

bool AddPage(const QString& name, PageFactory factory) {
    Pages()[name] = std::move(factory);
    return true;
}

} // namespace gallery

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"page", "Shows only the page NAME.", "NAME"});
    parser.addOption(
        {"shot", "Saves the window, with its open drop-downs, to FILE and quits.", "FILE"});
    parser.addHelpOption();
    parser.addOption({"ppi", "Scales the drop-downs and dialogs as for N pixels per inch.", "N"});
    parser.process(app);
    if (parser.isSet("ppi"))
        platform::SetPixelsPerInch(parser.value("ppi").toInt());

    QTabWidget tabs;
    tabs.setWindowTitle(QStringLiteral("Quendel controls"));
    for (const auto& [name, factory] : gallery::Pages()) {
        if (!parser.isSet("page") || parser.value("page") == name)
            tabs.addTab(factory(), name);
    }
    tabs.resize(800, 600);
    tabs.show();
    if (parser.isSet("shot")) {
        // Headless platforms keep each window apart: the drop-downs are drawn over the window.
        QTimer::singleShot(1500, &tabs, [&tabs, file = parser.value("shot")] {
            QPixmap shot = tabs.grab();
            QPainter painter(&shot);
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window != &tabs && window->isVisible())
                    painter.drawPixmap(window->pos() - tabs.pos(), window->grab());
            }
            painter.end();
            QCoreApplication::exit(shot.save(file) ? 0 : 1);
        });
    }
    return app.exec();
}
