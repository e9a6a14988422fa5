// A settings save of 200 keys: written key by key (a rewrite of the file each) and in one rewrite,
// into a settings file of a usual size and into one of 5 MB.
#include "platform/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int SavedKeys = 200;

// sections sections of 20 keys of about 40 characters each.
QByteArray SettingsText(int sections) {
    QByteArray text;
    for (int s = 0; s < sections; ++s) {
        text += "[Finestra" + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < 20; ++k)
            text += "Chiave" + QByteArray::number(k) + "=\"valore " + QByteArray(24, 'x') +
                    QByteArray::number(k) + "\"\r\n";
    }
    return text;
}

void SaveKeys(TIniFile& ini, int round) {
    for (int k = 0; k < SavedKeys; ++k)
        ini.WriteString(QStringLiteral("Finestra%1").arg(k % 10),
                        QStringLiteral("Salvata%1").arg(k),
                        QStringLiteral("valore %1 del giro %2").arg(k).arg(round));
}

void SettingsSave(benchmark::State& state) {
    const bool inOneRewrite = state.range(0) != 0;
    const int sections = int(state.range(1));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quendel.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(SettingsText(sections)) < 0) {
        state.SkipWithError("the settings file could not be written");
        return;
    }
    file.close();
    state.counters["file KB"] = double(QFile(path).size()) / 1024;
    int round = 0;
    for (auto _ : state) {
        TIniFile ini(path);
        ++round;
        if (inOneRewrite)
            platform::InOneRewrite(ini, [&] { SaveKeys(ini, round); });
        else
            SaveKeys(ini, round);
    }
}
// Arguments: key by key (0) or in one rewrite (1), sections of 20 keys in the file.
BENCHMARK(SettingsSave)
    ->ArgNames({"oneRewrite", "sections"})
    ->Args({0, 20})
    ->Args({1, 20})
    ->Args({1, 6000})
    ->Unit(benchmark::kMillisecond);

} // namespace
