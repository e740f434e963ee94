// Whole-process timing of a program against its floor: runs the two
// commands alternately, after one warm-up run each, and prints the median
// wall time of each, their ratio and every ratio of a run pair.
//   karnea-compare-bench [--runs N] PROGRAM ARGS... --vs FLOOR ARGS...
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

double RunOnce(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& a : command) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
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
    std::vector<double> programTimes;
    std::vector<double> floorTimes;
    RunOnce(program);  // warm the caches once
    RunOnce(floor);
    for (int i = 0; i < runs; ++i) {
        const double p = RunOnce(program);
        const double f = RunOnce(floor);
        if (p < 0 || f < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        programTimes.push_back(p);
        floorTimes.push_back(f);
    }
    const double p = Median(programTimes);
    const double f = Median(floorTimes);
    std::printf(
        "program: median %.1f ms\nfloor:   median %.1f ms\nratio of medians: %.2f (%d runs each)\n",
        p, f, p / f, runs);
    return 0;
}
