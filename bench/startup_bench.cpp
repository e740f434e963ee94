// Whole-process start-up: `karnea FILE --quit-after-first-paint` against the
// floor program that shows a window and paints the same page's operations.
// Prints the median wall time of each over alternating runs and their ratio.
//   karnea-startup-bench KARNEA FLOOR FILE OPS [RUNS]
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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
    if (argc < 5) {
        std::fprintf(stderr, "usage: karnea-startup-bench KARNEA FLOOR FILE OPS [RUNS]\n");
        return 2;
    }
    const int runs = argc > 5 ? std::max(3, std::atoi(argv[5])) : 15;
    const std::vector<std::string> program = {argv[1], "--quit-after-first-paint", argv[3]};
    const std::vector<std::string> floor = {argv[2], argv[4]};
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
        "karnea to first paint: median %.1f ms\nfloor program:         median %.1f ms\n"
        "ratio: %.2f (%d runs each)\n",
        p, f, p / f, runs);
    return 0;
}
