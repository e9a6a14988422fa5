// Writes Count keys "<Prefix>N" = N into Section of an INI file, one write per key.
// Usage: ini_writer FILE SECTION PREFIX COUNT
#include "platform/IniFile.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    TIniFile ini(args.at(1));
    const int count = args.at(4).toInt();
    try {
        for (int i = 0; i < count; ++i)
            ini.WriteInteger(args.at(2), args.at(3) + QString::number(i), i);
    } catch (const EIniFileException& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
