// Whole-process timing of a program against its floor: runs the two
// commands alternately, after one warm-up run each, and prints the median
// wall time and processor time (user and system, of the process and what
// it waited for) of each, and their ratios.
//   karnea-compare-bench [--runs N] PROGRAM ARGS... --vs FLOOR ARGS...
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Times {
    double wall = -1;  // ms
    double cpu = -1;   // ms
};

double Ms(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
}

Times RunOnce(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& a : command) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return {};
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    return {std::chrono::duration<double, std::milli>(end - start).count(),
            Ms(usage.ru_utime) + Ms(usage.ru_stime)};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 15;
    std::vector<std::string> program;
    std::vector<std::string> floor;
    bool vs = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc && program.empty()) {
            runs = std::max(3, std::atoi(argv[++i]));
        } else if (arg == "--vs") {
            vs = true;
        } else {
            (vs ? floor : program).push_back(arg);
        }
    }
    if (program.empty() || floor.empty()) {
        std::fprintf(stderr,
                     "usage: karnea-compare-bench [--runs N] PROGRAM ARGS... --vs FLOOR ARGS...\n");
        return 2;
    }
    std::vector<double> programWall, programCpu, floorWall, floorCpu;
    RunOnce(program);  // warm the caches once
    RunOnce(floor);
    for (int i = 0; i < runs; ++i) {
        const Times p = RunOnce(program);
        const Times f = RunOnce(floor);
        if (p.wall < 0 || f.wall < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        programWall.push_back(p.wall);
        programCpu.push_back(p.cpu);
        floorWall.push_back(f.wall);
        floorCpu.push_back(f.cpu);
    }
    const double pw = Median(programWall);
    const double fw = Median(floorWall);
    const double pc = Median(programCpu);
    const double fc = Median(floorCpu);
    std::printf(
        "program: median %.1f ms (processor %.1f ms)\n"
        "floor:   median %.1f ms (processor %.1f ms)\n"
        "ratio of medians: %.2f, processor %.2f (%d runs each)\n",
        pw, pc, fw, fc, pw / fw, pc / fc, runs);
    return 0;
}
