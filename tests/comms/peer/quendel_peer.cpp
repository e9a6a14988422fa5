// A test-only copy of the program: "--mime-of FILE" prints the file's type as a fresh process
// sees it.

#include <QApplication>
#include <QMimeDatabase>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--mime-of")) {
        std::printf("%s\n", qPrintable(QMimeDatabase().mimeTypeForFile(arguments[2]).name()));
        return 0;
    }
    return 2;
}
