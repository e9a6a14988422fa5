// The download window filling its grid with the headers a loopback news server lists, at growing
// counts: the time should grow with the count, not faster.

#include "comms/CodConnessione.h"
#include "comms/CodRicevi.h"
#include "controls/Grids.h"
#include "controls/KXSpin.h"
#include "peers/ScriptedServer.h"
#include "platform/MessageBox.h"
#include "storage/StoredForm.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QByteArray Overview(int count) {
    QByteArray reply = "224 ok\r\n";
    for (int n = 1; n <= count; ++n)
        reply += QByteArray::number(n) + "\t4001-" + QByteArray::number(n) +
                 "b[e2-e4]Cognome-Giocatore\tgiocatore@example.org\t7 Dec 2026 12:00:00\t<" +
                 QByteArray::number(n) + "@example.org>\t\t100\t10\r\n";
    return reply + ".\r\n";
}

void DownloadWindowFillsItsGrid(benchmark::State& state) {
    const int count = int(state.range(0));
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    QString failure;
    const auto oldBox = platform::SetMessageBoxHook([&](const QString& text, const QString&, int) {
        failure = text;
        return int(platform::IDOK);
    });
    FormConnessione = new TFormConnessione;
    {
        ScriptedServer server("200 hi\r\n",
                              {{"STAT", "412 x\r\n"},
                               {"GROUP", "211 " + QByteArray::number(count) + " 1 " +
                                             QByteArray::number(count) + " zeltor.test\r\n"},
                               {"XOVER", Overview(count)}});
        TStoredForm<TFormRicevi> window;
        window.UserName = "tester";
        window.Password = "secret";
        window.Host = "127.0.0.1";
        window.NewsGroup = "zeltor.test";
        window.Port = server.Port();
        window.show();
        window.EditCount->SetValue(count);
        for (auto _ : state) {
            if (!window.FetchHeaders(true) || window.GridHeaders->RowCount() != count + 1) {
                state.SkipWithError(failure.isEmpty() ? "headers missing"
                                                      : failure.toStdString().c_str());
                break;
            }
        }
        state.SetComplexityN(count);
    }
    delete FormConnessione;
    FormConnessione = nullptr;
    platform::SetMessageBoxHook(oldBox);
    QDir::setCurrent(previous);
}
BENCHMARK(DownloadWindowFillsItsGrid)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
