// A settings save of 200 keys: written key by key (a rewrite of the file each) and in one rewrite,
// into a settings file of a usual size and into one of 5 MB; and the start's reading of a 5 MB
// file, each key through an object of its own as the windows' stores read.
#include "platform/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
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

void SettingsReadAtStart(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quendel.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(SettingsText(6000)) < 0) {
        state.SkipWithError("the settings file could not be written");
        return;
    }
    file.close();
    // A file read at start was written at the last exit, not a moment ago.
    QThread::sleep(4);
    for (auto _ : state) {
        for (int k = 0; k < 200; ++k) {
            const TIniFile ini(path);
            benchmark::DoNotOptimize(ini.ReadString(QStringLiteral("Finestra%1").arg(k * 29),
                                                    QStringLiteral("Chiave%1").arg(k % 20),
                                                    QString()));
        }
    }
}
BENCHMARK(SettingsReadAtStart)->Unit(benchmark::kMillisecond);

} // namespace
