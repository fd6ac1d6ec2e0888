// From a failure of the real program to its report window on the screen:
// pricetags fails on a second thread (offscreen), its report process
// starts and paints the window; the time runs from the failure to the
// first pass of the window's loop after it was painted. Beside it, the
// peer: the same program started and ended with nothing to do, which is
// most of what the report process costs.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

std::filesystem::path RunFolder()
{
    char Name[] = "/tmp/reportwindow-bench-XXXXXX";
    return mkdtemp(Name) ? std::filesystem::path(Name) : std::filesystem::path();
}

/// The steps of the times file, nanoseconds by name.
std::map<std::string, long long> Steps(const std::filesystem::path& Times)
{
    std::ifstream In(Times);
    std::map<std::string, long long> S;
    long long Value = 0;
    std::string Kind;
    while (In >> Kind >> Value)
        S[Kind] = Value;
    return S;
}

void BM_FailureToReportWindow(benchmark::State& State)
{
    double ReportMs = 0, ReadyMs = 0;
    for (auto _ : State) {
        const std::filesystem::path Dir = RunFolder();
        const std::filesystem::path Times = Dir / "times.txt";
        const std::string Command = "cd '" + Dir.string() +
                                    "' && QT_QPA_PLATFORM=offscreen PRICETAGS_FAULT_TEST=thread "
                                    "PRICETAGS_REPORT_WINDOW_ANSWER=ok PRICETAGS_REPORT_WINDOW_TIMES='" +
                                    Times.string() + "' timeout 60 '" PRICETAGS_EXE "' >/dev/null 2>&1";
        const int Status = std::system(Command.c_str());
        auto S = Steps(Times);
        std::filesystem::remove_all(Dir);
        if (Status != 0 || !S.count("failure") || !S.count("shown") || !S.count("report") ||
            !S.count("ready")) {
            State.SkipWithError("the report window did not show");
            return;
        }
        State.SetIterationTime(double(S["shown"] - S["failure"]) / 1e9);
        // Where the time goes: the report made, the report process ready.
        ReportMs += double(S["report"] - S["failure"]) / 1e6;
        ReadyMs += double(S["ready"] - S["failure"]) / 1e6;
    }
    State.counters["report_ms"] = ReportMs / double(State.iterations());
    State.counters["ready_ms"] = ReadyMs / double(State.iterations());
}
BENCHMARK(BM_FailureToReportWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ProgramStartToQuit(benchmark::State& State)
{
    for (auto _ : State) {
        const std::filesystem::path Dir = RunFolder();
        const std::string Command = "cd '" + Dir.string() +
                                    "' && QT_QPA_PLATFORM=offscreen PRICETAGS_QUIT_AFTER_MS=1 "
                                    "timeout 60 '" PRICETAGS_EXE "' >/dev/null 2>&1";
        const int Status = std::system(Command.c_str());
        std::filesystem::remove_all(Dir);
        if (Status != 0) {
            State.SkipWithError("pricetags did not end");
            return;
        }
    }
}
BENCHMARK(BM_ProgramStartToQuit)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
