// The chat log's road at length, a large document through RTF, and replace-all over many matches.

#include "controls/KxRichEdit.h"
#include "controls/RtfReader.h"
#include "controls/RtfWriter.h"

#include <QDialog>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <benchmark/benchmark.h>

namespace {

void AppendLine(TKxRichEdit& edit, int i) {
    // The end of the text; a position past it lands there too.
    edit.SetSelStart(edit.GetTextLen());
    edit.SetSelLength(0);
    edit.SelAttributes.SetColor(i % 2 ? platform::clBlue : platform::clRed);
    edit.SelAttributes.SetStyle(i % 3 ? TFontStyles() : TFontStyles(fsBold));
    edit.SetSelText(QString("<giocatore> messaggio numero %1 della chat").arg(i));
    edit.Lines.Append("");
    edit.ScrollPageDown();
}

// Time per line over the last thousand of `range(0)` lines: it must not grow with the log.
void ChatRoad(benchmark::State& state) {
    const int lines = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TKxRichEdit edit;
        edit.SetReadOnly(true);
        for (int i = 0; i < lines - 1000; ++i)
            AppendLine(edit, i);
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i)
            AppendLine(edit, i);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(ChatRoad)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

QTextDocument& LargeDocument() {
    static QTextDocument document;
    if (document.isEmpty()) {
        TKxRichEdit edit;
        for (int i = 0; edit.GetTextLen() < 1'000'000; ++i)
            AppendLine(edit, i);
        document.setPlainText({});
        QTextCursor(&document).insertFragment(QTextDocumentFragment(edit.document()));
    }
    return document;
}

richtext::CharFormat Base() {
    richtext::CharFormat base;
    base.mask = richtext::CFM_ALL;
    base.effects = richtext::CFE_AUTOCOLOR | richtext::CFE_AUTOBACKCOLOR;
    base.height = 200;
    return base;
}

void WriteRtf(benchmark::State& state) {
    const QTextDocument& document = LargeDocument();
    qint64 bytes = 0;
    for (auto _ : state)
        bytes += RtfWriter(Base()).Write(document).size();
    state.SetBytesProcessed(bytes);
}
BENCHMARK(WriteRtf)->Unit(benchmark::kMillisecond);

void ReadRtf(benchmark::State& state) {
    const QByteArray rtf = RtfWriter(Base()).Write(LargeDocument());
    for (auto _ : state) {
        QTextDocument document;
        QTextCursor cursor(&document);
        RtfReader(Base()).Read(rtf, cursor);
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}
BENCHMARK(ReadRtf)->Unit(benchmark::kMillisecond);

// Replace-all over `range(0)` matches, ten to a line of 31 characters: it must grow with the
// text, not with the text times the matches.
void ReplaceAll(benchmark::State& state) {
    const int matches = int(state.range(0));
    QString text;
    for (int i = 0; i < matches / 10; ++i)
        text += QStringLiteral("re re re re re re re re re re\r");
    for (auto _ : state) {
        state.PauseTiming();
        TKxRichEdit edit;
        edit.Lines.SetText(text);
        edit.SetSelStart(0);
        TReplaceDialog* dialog = edit.ReplaceDialog("re", "RE");
        QPushButton* replaceAll = dialog->Window()->findChild<QPushButton*>("ReplaceAllButton");
        state.ResumeTiming();
        replaceAll->click();
        benchmark::DoNotOptimize(edit.GetTextLen());
    }
    state.SetItemsProcessed(state.iterations() * matches);
}
BENCHMARK(ReplaceAll)->Arg(12000)->Arg(32000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
