// Writes Count values "<Prefix>N" = N into a key of the current user's registry, one write per
// value. Usage: reg_writer KEY PREFIX COUNT (the registry's folder comes from XDG_CONFIG_HOME)
#include "platform/Registry.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const int count = args.at(3).toInt();
    try {
        TRegIniFile reg(args.at(1));
        for (int i = 0; i < count; ++i)
            reg.WriteInteger(QString(), args.at(2) + QString::number(i), i);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
