// A settings save of 200 keys: written key by key (a rewrite of the file each) and in one rewrite,
// into a settings file of a usual size and into one of 5 MB; every key of a file rewritten in one
// update, at two sizes ten times apart; the start's reading of a 5 MB file,
// each key through an object of its own as the windows' stores read; one key written into a 5 MB
// file; and the memory a 5 MB file of many sections takes once read.
#include "platform/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>

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

// sections sections of one short key each, 18 bytes a section.
QByteArray ManySectionsText(int sections) {
    QByteArray text;
    for (int s = 0; s < sections; ++s)
        text += "[Sez" + QByteArray::number(s).rightJustified(6, '0') + "]\r\nK=vv\r\n";
    return text;
}

// The file of a benchmark: many sections (1) or sections of 20 keys (0), about 5 MB either way.
QByteArray FiveMegabytes(bool manySections) {
    return manySections ? ManySectionsText(300000) : SettingsText(6000);
}

bool WriteSettings(benchmark::State& state, const QString& path, const QByteArray& text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size())
        return true;
    state.SkipWithError("the settings file could not be written");
    return false;
}

// Bytes taken from the heap and not given back.
double HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd);
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
    if (!WriteSettings(state, path, SettingsText(sections)))
        return;
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

// Every key of a file of sections of 20 keys given a new value in one rewrite: the time grows
// with the number of keys, not with its square.
void SettingsRewriteEveryKey(benchmark::State& state) {
    const int sections = int(state.range(0)) / 20;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quendel.ini"));
    if (!WriteSettings(state, path, SettingsText(sections)))
        return;
    int round = 0;
    for (auto _ : state) {
        TIniFile ini(path);
        ++round;
        platform::InOneRewrite(ini, [&] {
            for (int s = 0; s < sections; ++s)
                for (int k = 0; k < 20; ++k)
                    ini.WriteString(QStringLiteral("Finestra%1").arg(s),
                                    QStringLiteral("Chiave%1").arg(k),
                                    QStringLiteral("valore %1 del giro %2").arg(k).arg(round));
        });
    }
    state.SetComplexityN(state.range(0));
    state.counters["file KB"] = double(QFile(path).size()) / 1024;
}
// Argument: the keys of the file; the fit says how the time grows with them.
BENCHMARK(SettingsRewriteEveryKey)
    ->ArgName("keys")
    ->Arg(6000)
    ->Arg(60000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void SettingsReadAtStart(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quendel.ini"));
    if (!WriteSettings(state, path, SettingsText(6000)))
        return;
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

// One key written, through an object of its own as the windows write, into a file last written by
// the program itself.
void SettingsWriteOneKey(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quendel.ini"));
    if (!WriteSettings(state, path, FiveMegabytes(state.range(0) != 0)))
        return;
    TIniFile(path).WriteString(QStringLiteral("Servizio"), QStringLiteral("Chiave"),
                               QStringLiteral("primo"));
    int round = 0;
    for (auto _ : state) {
        TIniFile ini(path);
        ini.WriteInteger(QStringLiteral("Servizio"), QStringLiteral("Chiave"), ++round);
    }
    state.counters["file KB"] = double(QFile(path).size()) / 1024;
}
BENCHMARK(SettingsWriteOneKey)
    ->ArgName("manySections")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// The file read at start, each time as a new version on disk; what the parsed file keeps in
// memory, as a multiple of the file's size.
void SettingsReadAndHold(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quendel.ini"));
    const QByteArray text = FiveMegabytes(state.range(0) != 0);
    if (!WriteSettings(state, path, text))
        return;
    const QByteArray encoded = QFile::encodeName(path);
    for (auto _ : state) {
        state.PauseTiming();
        ::utimensat(AT_FDCWD, encoded.constData(), nullptr, 0);
        state.ResumeTiming();
        const TIniFile ini(path);
        benchmark::DoNotOptimize(
            ini.ReadString(QStringLiteral("Sez150000"), QStringLiteral("K"), QString()));
    }
    ::utimensat(AT_FDCWD, encoded.constData(), nullptr, 0);
    const double before = HeapInUse();
    const TIniFile ini(path);
    benchmark::DoNotOptimize(ini.ReadSections());
    const double held = HeapInUse() - before;
    state.counters["file KB"] = double(text.size()) / 1024;
    state.counters["held KB"] = held / 1024;
    state.counters["held per file byte"] = held / double(text.size());
}
BENCHMARK(SettingsReadAndHold)
    ->ArgName("manySections")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
