#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "base/system.h"

extern char** environ;

namespace karnea {

std::filesystem::path PathOf(const std::string& path) {
    return std::filesystem::path(path);
}

std::string PathText(const std::filesystem::path& path) {
    return path.string();
}

bool DisplayAvailable() {
    return EnvironmentValue("DISPLAY") || EnvironmentValue("WAYLAND_DISPLAY") ||
           EnvironmentValue("QT_QPA_PLATFORM");
}

bool PathsHaveDrives() {
    return false;
}

std::string_view ManualReference() {
    return "man karnea-cli";
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

void UseBinaryStandardStreams() {}

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

void SetEnvironmentDefault(const char* name, const std::string& value) {
    ::setenv(name, value.c_str(), 0);
}

namespace {

// An XDG base folder: the variable's value when it is absolute, else the
// folder under the home folder.
std::optional<std::string> XdgFolder(const char* variable, const char* inHome) {
    if (const auto xdg = EnvironmentValue(variable); xdg && !xdg->empty() && (*xdg)[0] == '/') {
        return *xdg;
    }
    if (const auto home = EnvironmentValue("HOME"); home && !home->empty()) {
        return *home + inHome;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> UserConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::optional<std::string> UserStateFolder() {
    return XdgFolder("XDG_STATE_HOME", "/.local/state");
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    return local;
}

namespace {

// A descriptor closed when it goes.
struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
    void Close() {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
};

// The most a helper may write for its input: far more than any reading
// gives.
std::size_t MostOutputFor(const std::string& input) {
    return input.size() * 32 + (std::size_t(1) << 20);
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                      const RunLimits& limits) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limits.timeLimit;
    ProgramRun run;
    if (arguments.empty()) {
        return run;
    }
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    // The input goes through a socket, which a write into after the program
    // has gone answers with an error, not with a signal that ends this one.
    int in[2];
    int out[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
        return run;
    }
    Descriptor feed, theirIn, output, theirOut;
    feed.fd = in[0];
    theirIn.fd = in[1];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return run;
    }
    output.fd = out[0];
    theirOut.fd = out[1];
    ::fcntl(output.fd, F_SETFL, O_NONBLOCK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirIn.fd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, theirOut.fd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // A group of its own, so that what it starts ends with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = 0;
    const int spawned =
        ::posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    theirIn.Close();
    theirOut.Close();
    if (spawned != 0) {
        return run;
    }
    // Ends the program at once, with `why`.
    const auto end = [&](RunEnd why) {
        ::kill(-child, SIGKILL);
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        run.end = why;
        run.output.clear();
        return run;
    };
    // Whether the run must end now, and why.
    const auto due = [&]() -> std::optional<RunEnd> {
        if (limits.stopped && limits.stopped()) {
            return RunEnd::stopped;
        }
        if (Clock::now() >= deadline) {
            return RunEnd::timedOut;
        }
        return std::nullopt;
    };
    constexpr int kLookEveryMs = 50;
    std::size_t written = 0;
    if (input.empty()) {
        feed.Close();
    }
    while (output.fd >= 0) {
        if (const std::optional<RunEnd> why = due()) {
            return end(*why);
        }
        pollfd fds[2] = {{output.fd, POLLIN, 0}, {feed.fd, POLLOUT, 0}};
        if (::poll(fds, feed.fd >= 0 ? 2 : 1, kLookEveryMs) < 0 && errno != EINTR) {
            return end(RunEnd::failed);
        }
        if (feed.fd >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t n = ::send(feed.fd, input.data() + written, input.size() - written,
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
            }
            // All of it, or a program that reads no more.
            if (written == input.size() || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                feed.Close();
            }
        }
        if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
            char buffer[65536];
            const ssize_t n = ::read(output.fd, buffer, sizeof buffer);
            if (n > 0) {
                run.output.append(buffer, static_cast<std::size_t>(n));
                if (run.output.size() > MostOutputFor(input)) {
                    return end(RunEnd::overflowed);
                }
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                output.Close();
            }
        }
    }
    feed.Close();
    // Its output ended: the program ends too, in time.
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child) {
            run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
            run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            run.end = WIFEXITED(status) && run.exitCode == 0 ? RunEnd::finished : RunEnd::failed;
            return run;
        }
        if (ended < 0 && errno != EINTR) {
            run.end = RunEnd::failed;
            return run;
        }
        if (const std::optional<RunEnd> why = due()) {
            return end(*why);
        }
        ::poll(nullptr, 0, 10);
    }
}

}  // namespace karnea
