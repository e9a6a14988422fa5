// The controls gallery: every registered page in a tab, or one page with --page NAME.

#include "Gallery.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTabWidget>

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
    parser.addHelpOption();
    parser.process(app);

    QTabWidget tabs;
    tabs.setWindowTitle(QStringLiteral("Quendel controls"));
    for (const auto& [name, factory] : gallery::Pages()) {
        if (!parser.isSet("page") || parser.value("page") == name)
            tabs.addTab(factory(), name);
    }
    tabs.resize(800, 600);
    tabs.show();
    return app.exec();
}
