#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

std::optional<std::string> UserConfigFolder() {
    if (const auto xdg = EnvironmentValue("XDG_CONFIG_HOME");
        xdg && !xdg->empty() && (*xdg)[0] == '/') {
        return *xdg;
    }
    if (const auto home = EnvironmentValue("HOME"); home && !home->empty()) {
        return *home + "/.config";
    }
    return std::nullopt;
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    return local;
}

std::optional<std::string> RunProgram(const std::vector<std::string>& arguments,
                                      const std::string& input) {
    if (arguments.empty()) {
        return std::nullopt;
    }
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(in[1]);
        ::close(out[0]);
        return std::nullopt;
    }
    // Written and read together, so that neither side waits on a full pipe.
    std::string output;
    std::size_t written = 0;
    int writeEnd = in[1];
    if (input.empty()) {
        ::close(writeEnd);
        writeEnd = -1;
    }
    bool readOpen = true;
    while (readOpen) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {writeEnd, POLLOUT, 0}};
        if (::poll(fds, writeEnd >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (writeEnd >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t n = ::write(writeEnd, input.data() + written, input.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
            }
            if (n < 0 || written == input.size()) {
                ::close(writeEnd);
                writeEnd = -1;
            }
        }
        if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
            char buffer[4096];
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n > 0) {
                output.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                readOpen = false;
            }
        }
    }
    if (writeEnd >= 0) {
        ::close(writeEnd);
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return output;
}

}  // namespace karnea
