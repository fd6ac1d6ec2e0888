// The template work a designer repeats after every change: writing the
// whole document as an undo snapshot, and reading a snapshot back on undo,
// for templates of the size shops draw (a 40-element price tag up to a
// 2000-element statement). Also the ini form, which is read as text.

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_StateStack.h"
#include "common/reports/RP_View.h"

#include "common/base/IniFiles.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"

#include <benchmark/benchmark.h>

namespace {

void Fill(TDocument& Doc, int Views)
{
    for (int I = 0; I < Views; ++I) {
        auto* View = new TView(I % 10 == 0 ? vkBandArea : vkText, &Doc);
        View->SetBoundsRect(Rect(10 + I % 50, 10 + I, 110 + I % 50, 30 + I));
        View->Lines->Add("Цена: [PRICE] руб."_a);
        View->Lines->Add("<B>[NAME]</B>");
        View->BandTyp = static_cast<Byte>(I % 14);
        Doc.CurrentPage()->AddView(View);
    }
}

void BM_PushState(benchmark::State& State)
{
    TDocument Doc(nullptr);
    Fill(Doc, static_cast<int>(State.range(0)));
    TStateStack Stack(&Doc);
    Stack.CountLimit = 2;
    for (auto _ : State) {
        Doc.StateStored = false;
        Stack.PushState();
    }
    if (Stack.TotalSize <= 0)
        State.SkipWithError("no snapshot was kept");
    State.counters["snapshot_bytes"] = static_cast<double>(Stack.TotalSize) / Stack.Count();
}
BENCHMARK(BM_PushState)->Arg(40)->Arg(2000)->Unit(benchmark::kMicrosecond);

void BM_LoadSnapshot(benchmark::State& State)
{
    const int Views = static_cast<int>(State.range(0));
    TDocument Doc(nullptr);
    Fill(Doc, Views);
    TMemoryStream Snapshot;
    Doc.SaveToStream(Snapshot, true);
    for (auto _ : State) {
        Snapshot.SetPosition(0);
        Doc.LoadFromStream(Snapshot, true);
    }
    if (Doc.CurrentPage()->ViewCount() != Views)
        State.SkipWithError("the elements were not read back");
    State.SetItemsProcessed(State.iterations() * Views);
}
BENCHMARK(BM_LoadSnapshot)->Arg(40)->Arg(2000)->Unit(benchmark::kMicrosecond);

void BM_LoadIniForm(benchmark::State& State)
{
    const int Views = static_cast<int>(State.range(0));
    TDocument Doc(nullptr);
    Fill(Doc, Views);
    TIniFile Ini(/*InMemory=*/true, "");
    Doc.SaveToIni(Ini, "");
    for (auto _ : State)
        Doc.LoadFromIni(Ini, "");
    if (Doc.CurrentPage()->ViewCount() != Views)
        State.SkipWithError("the elements were not read back");
    State.SetItemsProcessed(State.iterations() * Views);
}
BENCHMARK(BM_LoadIniForm)->Arg(40)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
