#include "bench/support/ColdRun.h"

#include "platform/rtl/Heap.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>

namespace {

// The variable that tells a new process which path to run: "Name:Arg".
constexpr const char* ColdRunVariable = "PRICETAGS_COLD_RUN";
// The line the new process prints: the prefix, milliseconds, MiB.
constexpr const char* ColdLinePrefix = "cold-run ";

std::map<std::string, ColdRunFunction>& Paths()
{
    static std::map<std::string, ColdRunFunction> Registered;
    return Registered;
}

std::string ThisProgram()
{
    char Path[4096];
    const ssize_t N = readlink("/proc/self/exe", Path, sizeof Path - 1);
    if (N <= 0) {
        std::cerr << "cold run: cannot find this program's file\n";
        std::exit(1);
    }
    return std::string(Path, static_cast<size_t>(N));
}

int RunColdPath(const std::string& Request)
{
    const size_t Colon = Request.rfind(':');
    const std::string Name = Request.substr(0, Colon);
    const long Arg = Colon == std::string::npos ? 0 : std::atol(Request.c_str() + Colon + 1);
    const auto It = Paths().find(Name);
    if (It == Paths().end()) {
        std::cerr << "cold run: no path named " << Name << "\n";
        return 1;
    }
    ColdClock Clock;
    It->second(Clock, Arg);
    rusage Usage {};
    getrusage(RUSAGE_SELF, &Usage);
    std::printf("%s%.3f %.3f\n", ColdLinePrefix, Clock.Milliseconds(),
                double(Usage.ru_maxrss) / 1024.0);
    std::fflush(stdout);
    return 0;
}

}  // namespace

bool RegisterColdRun(const char* Name, ColdRunFunction Run)
{
    Paths()[Name] = Run;
    return true;
}

void ReportColdFirstRun(benchmark::State& State, const char* Name, long Arg)
{
    // The new process inherits this one's core pinning.
    const std::string Command = std::string(ColdRunVariable) + "='" + Name + ":" +
                                std::to_string(Arg) + "' '" + ThisProgram() + "'";
    FILE* Child = popen(Command.c_str(), "r");
    double Ms = -1, Rss = -1;
    if (Child) {
        char Line[256];
        while (std::fgets(Line, sizeof Line, Child)) {
            const size_t Prefix = std::strlen(ColdLinePrefix);
            if (std::strncmp(Line, ColdLinePrefix, Prefix) == 0)
                std::sscanf(Line + Prefix, "%lf %lf", &Ms, &Rss);
        }
        if (pclose(Child) != 0)
            Ms = -1;
    }
    if (Ms < 0) {
        std::cerr << "cold run of " << Name << " failed\n";
        std::exit(1);
    }
    State.counters["cold_first_ms"] = Ms;
    State.counters["cold_first_rss_MiB"] = Rss;
}

int BenchMain(int argc, char** argv)
{
    UseProgramHeap();
    if (const char* Request = std::getenv(ColdRunVariable))
        return RunColdPath(Request);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
