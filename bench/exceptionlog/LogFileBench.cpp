// The report log at the sizes the exception log meets: the default limit of
// 32 reports, and a log of 500 left by a generous limit. Loading and the
// XML copy run while an exception is being reported.

#include "exceptionlog/LogFile.h"
#include "exceptionlog/LogText.h"

#include "tests/exceptionlog/ReportFixture.h"

#include <benchmark/benchmark.h>

namespace {

AnsiString LogText(int Reports)
{
    TLogFile Log("", false);
    const ReportFixture F(16);
    const AnsiString Report = BuildReportText(F.Data, F.Options).Report;
    for (int I = 0; I < Reports; ++I)
        Log.Add(Report, Reports);
    AnsiString Text = Log.Text();
    Text.SetLength(Text.Length() - 2);
    return Text;
}

void BM_ParseLogText(benchmark::State& State)
{
    const AnsiString Text = LogText(int(State.range(0)));
    if (TLogFile::ParseLogText(Text).size() != size_t(State.range(0)))
        State.SkipWithError("wrong report count");
    for (auto _ : State)
        benchmark::DoNotOptimize(TLogFile::ParseLogText(Text));
    State.SetBytesProcessed(int64_t(State.iterations()) * Text.Length());
}
BENCHMARK(BM_ParseLogText)->Arg(32)->Arg(500);

void BM_LogToXML(benchmark::State& State)
{
    TLogFile Log("", false);
    for (const AnsiString& R : TLogFile::ParseLogText(LogText(int(State.range(0)))))
        Log.Add(R, 1000);
    for (auto _ : State)
        benchmark::DoNotOptimize(Log.LogToXML());
}
BENCHMARK(BM_LogToXML)->Arg(32);

void BM_BuildReportText(benchmark::State& State)
{
    const ReportFixture F(16);
    for (auto _ : State)
        benchmark::DoNotOptimize(BuildReportText(F.Data, F.Options));
}
BENCHMARK(BM_BuildReportText);

}  // namespace
