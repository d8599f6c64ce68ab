// vonkel_torture [--seed S] [--threads T] [--calls N] [--cameras C] [--parent] [--limit SECONDS]
//                [--bound SECONDS] [--latency]
//
// T threads make N random calls each over the export table on C simulated cameras
// (VONKEL_SIMULATE is set to C unless the environment already asks for cameras). With
// --parent (Windows) the main thread owns an application window, pumps its messages and
// calls exports between messages as an application's window thread does; previews then
// go into that window. A watchdog ends the run with the call that hangs when one call
// takes longer than the limit. Exit 0 when nothing hung or crashed and a new camera can
// be initialised, streamed and released afterwards, and no call took longer than the
// bound (exit 4 otherwise). --latency prints p50, p99 and the longest call of every export.
#include "Torture.h"
#include "support/ProcessStats.h"
#include "support/TestOutput.h"
#include <algorithm>
#include <cinttypes>
#include <map>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

struct Options {
    uint64_t seed = 0;
    int threads = 4;
    int calls = 5000;
    int cameras = 2;
    bool parent = false;
    int limitSeconds = 60;
    double boundSeconds = 0; // 0: no bound
    bool latency = false;
};

Options Parse(int argc, char **argv) {
    Options o;
    o.seed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000007u;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&] { return i + 1 < argc ? std::strtoull(argv[++i], nullptr, 10) : 0ull; };
        if (a == "--seed") o.seed = next();
        else if (a == "--threads") o.threads = static_cast<int>(next());
        else if (a == "--calls") o.calls = static_cast<int>(next());
        else if (a == "--cameras") o.cameras = static_cast<int>(next());
        else if (a == "--limit") o.limitSeconds = static_cast<int>(next());
        else if (a == "--bound") o.boundSeconds = i + 1 < argc ? std::strtod(argv[++i], nullptr) : 0;
        else if (a == "--latency") o.latency = true;
        else if (a == "--parent") o.parent = true;
        else {
            std::fprintf(stderr, "unknown argument %s\n", a.c_str());
            std::exit(2);
        }
    }
    return o;
}

void SetEnv(const char *name, const std::string &value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

std::string MakeDirectory([[maybe_unused]] uint64_t seed) {
#ifdef _WIN32
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string dir = std::string(base) + "vonkel-torture-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\";
#else
    std::string dir = "/tmp/vonkel-torture-" + std::to_string(getpid()) + "-" + std::to_string(seed);
    std::system(("mkdir -p " + dir).c_str());
    return dir + "/";
#endif
}

void RemoveRunFiles(const std::string &dir) {
#ifdef _WIN32
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((dir + found.cFileName).c_str());
        while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
    // The settings the run left behind would be the next program's start-up values.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Pelkor\\Vonkel430NVTXQELSdk");
#else
    std::system(("rm -rf " + dir).c_str());
#endif
}

#ifdef _WIN32
HWND MakeParent() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VonkelTortureParent";
    RegisterClassA(&wc);
    return CreateWindowA("VonkelTortureParent", "torture", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600,
                         nullptr, nullptr, wc.hInstance, nullptr);
}
#endif

// Pumps what the calling thread's windows were sent and posted.
void Pump() {
#ifdef _WIN32
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
#endif
}

int64_t Now() { return torture::Caller::Now(); }

void RunCaller(torture::Caller &c, int calls) {
    for (int i = 0; i < calls; ++i) {
        c.RunOne();
        ++c.shared.calls;
        Pump();
    }
    ++c.shared.finished;
}

struct Latency {
    std::string name;
    size_t calls = 0;
    double p50 = 0, p99 = 0, longest = 0; // seconds
};

// The value below which `share` of the sorted samples lie (nearest rank).
double Percentile(const std::vector<float> &sorted, double share) {
    const size_t rank = static_cast<size_t>(share * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[rank];
}

// Every export's calls of all threads, the slowest export first.
std::vector<Latency> LatenciesOf(const std::vector<std::unique_ptr<torture::Caller>> &callers) {
    std::map<std::string, std::vector<float>> all;
    for (const auto &c : callers)
        for (const auto &[name, samples] : c->latencies)
            all[name].insert(all[name].end(), samples.begin(), samples.end());
    std::vector<Latency> table;
    for (auto &[name, samples] : all) {
        std::sort(samples.begin(), samples.end());
        table.push_back({name, samples.size(), Percentile(samples, 0.5), Percentile(samples, 0.99), samples.back()});
    }
    std::sort(table.begin(), table.end(), [](const Latency &a, const Latency &b) { return a.longest > b.longest; });
    return table;
}

void PrintLatencies(const std::vector<Latency> &table, size_t rows) {
    std::printf("%zu exports called; the slowest:\n  %-28s %7s %9s %9s %9s\n", table.size(), "export", "calls",
                "p50 ms", "p99 ms", "max ms");
    for (size_t i = 0; i < table.size() && i < rows; ++i)
        std::printf("  %-28s %7zu %9.3f %9.3f %9.1f\n", table[i].name.c_str(), table[i].calls, table[i].p50 * 1e3,
                    table[i].p99 * 1e3, table[i].longest * 1e3);
}

// The calls over a second in the order they began: calls on one handle that overlap
// waited for each other.
void PrintSlowCalls(const std::vector<std::unique_ptr<torture::Caller>> &callers, int64_t start) {
    std::vector<std::pair<int, torture::Caller::Slow>> all;
    for (const auto &c : callers)
        for (const torture::Caller::Slow &s : c->slow)
            all.push_back({c->index, s});
    std::sort(all.begin(), all.end(), [](const auto &a, const auto &b) { return a.second.began < b.second.began; });
    for (const auto &[thread, s] : all) {
        const double at = std::chrono::duration<double>(torture::Clock::duration(s.began - start)).count();
        std::printf("  at %7.2f s thread %d handle %d: %s %.2f s\n", at, thread, s.handle, s.name, s.seconds);
    }
}

// The calls over the bound, each with its thread, so that the seed replays them.
bool WithinBound(const std::vector<std::unique_ptr<torture::Caller>> &callers, double bound, uint64_t seed) {
    bool within = true;
    for (const auto &c : callers)
        for (const auto &[name, samples] : c->latencies)
            for (float seconds : samples)
                if (seconds > bound) {
                    std::printf("OVER BOUND: thread %d %s took %.2f s, bound %.2f s (seed %" PRIu64 ")\n", c->index,
                                name.c_str(), seconds, bound, seed);
                    within = false;
                }
    return within;
}

} // namespace

int main(int argc, char **argv) {
    testsupport::KeepOutputOnCrash();
    const Options o = Parse(argc, argv);
    if (!std::getenv("VONKEL_SIMULATE") && !std::getenv("VONKEL_SIMULATE_DEVICES"))
        SetEnv("VONKEL_SIMULATE", std::to_string(o.cameras));
    std::printf("torture: seed %" PRIu64 " threads %d calls %d cameras %d%s\n", o.seed, o.threads, o.calls,
                o.cameras, o.parent ? " parent window" : "");
    std::printf("replay: --seed %" PRIu64 " --threads %d --calls %d --cameras %d%s\n", o.seed, o.threads, o.calls,
                o.cameras, o.parent ? " --parent" : "");
    std::fflush(stdout);

    torture::Shared shared;
    shared.directory = MakeDirectory(o.seed);
#ifdef _WIN32
    if (o.parent)
        shared.parent = MakeParent();
#endif
    for (int s = 0; s < torture::kSlots; ++s)
        shared.deliveryBuffers.emplace_back(torture::kImageBytes);
    std::vector<std::unique_ptr<torture::Caller>> callers;
    for (int t = 0; t < o.threads; ++t)
        callers.push_back(std::make_unique<torture::Caller>(shared, t, o.seed * 1000003u + t));
    for (auto &h : shared.handles)
        h = Vonkel_Initialize(shared.parent);
    const testsupport::ProcessStats before = testsupport::CurrentProcessStats();
    const auto start = torture::Clock::now();

    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            for (auto &c : callers) {
                const char *name = c->current.load();
                const double seconds =
                    std::chrono::duration<double>(torture::Clock::duration(Now() - c->since.load())).count();
                if (name && seconds > o.limitSeconds) {
                    std::printf("HANG: thread %d in %s for %.0f s (seed %" PRIu64 ")\n", c->index, name, seconds,
                                o.seed);
                    for (auto &other : callers)
                        if (const char *in = other->current.load())
                            std::printf("  thread %d in %s for %.1f s\n", other->index, in,
                                        std::chrono::duration<double>(
                                            torture::Clock::duration(Now() - other->since.load())).count());
                    std::fflush(stdout);
                    std::_Exit(3);
                }
            }
        }
    });
    // With a parent window, caller 0 is the window's own thread.
    std::vector<std::thread> threads;
    for (int t = o.parent ? 1 : 0; t < o.threads; ++t)
        threads.emplace_back(RunCaller, std::ref(*callers[t]), o.calls);
    if (o.parent) {
        RunCaller(*callers[0], o.calls);
        // The window thread keeps answering its messages until the others are done: the
        // library's windows on other threads send to it.
        while (shared.finished.load() < o.threads) {
            Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    for (auto &t : threads)
        t.join();
    for (auto &h : shared.handles)
        Vonkel_Release(h.exchange(0));
    const double seconds = std::chrono::duration<double>(torture::Clock::now() - start).count();
    const bool works = torture::StillWorks();
    done = true;
    watchdog.join();
    const testsupport::ProcessStats after = testsupport::CurrentProcessStats();
#ifdef _WIN32
    if (shared.parent)
        DestroyWindow(shared.parent);
#endif
    RemoveRunFiles(shared.directory);
    std::printf("torture: %" PRIu64 " calls in %.1f s; private %.1f -> %.1f MiB, handles %" PRIu64 " -> %" PRIu64
                "; new camera %s\n",
                shared.calls.load(), seconds, before.privateBytes / 1048576.0, after.privateBytes / 1048576.0,
                before.handles, after.handles, works ? "streams" : "FAILS");
    const std::vector<Latency> latencies = LatenciesOf(callers);
    PrintLatencies(latencies, o.latency ? latencies.size() : 8);
    if (o.latency)
        PrintSlowCalls(callers, start.time_since_epoch().count());
    if (!works)
        return 1;
    return o.boundSeconds <= 0 || WithinBound(callers, o.boundSeconds, o.seed) ? 0 : 4;
}
