#include "base/romaji.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string_view>

extern char** environ;

namespace karnea {
namespace {

// kanji, hiragana, katakana (both widths) and full-width ASCII into ASCII,
// words separated by blanks; input Shift_JIS.
const char* const kArguments[] = {"kakasi", "-isjis", "-osjis", "-Ja", "-Ha",
                                  "-Ka",    "-Ea",    "-ka",    "-s",  nullptr};

// Runs the program with `input` on its standard input and returns its
// standard output, or nothing when it cannot be run or fails.
std::optional<std::string> Run(const std::string& input) {
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
    const int spawned = ::posix_spawnp(&child, kArguments[0], &actions, nullptr,
                                       const_cast<char* const*>(kArguments), environ);
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

// A line as the program may take it: no line break inside.
std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

// The program separates words with a blank, also before a full stop or a
// closing bracket and after an opening one ("a .kdw"): those blanks go.
std::string Tidy(const std::string& ascii) {
    std::string tidy;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        const char c = ascii[i];
        const char next = i + 1 < ascii.size() ? ascii[i + 1] : '\0';
        const bool beforeClosing =
            std::string_view(".,;:!)]}").find(next) != std::string_view::npos;
        const bool afterOpening =
            !tidy.empty() && std::string_view("([{").find(tidy.back()) != std::string_view::npos;
        if (c == ' ' && next != '\0' && (beforeClosing || afterOpening)) {
            continue;
        }
        tidy += c;
    }
    return tidy;
}

}  // namespace

std::string AsciiOnly(const std::string& cp932) {
    std::string ascii;
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto byte = static_cast<unsigned char>(cp932[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            ascii += static_cast<char>(byte);
            continue;
        }
        // The lead byte of a double-byte character takes its trail byte along.
        if (((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) &&
            i + 1 < cp932.size()) {
            ++i;
        }
        ascii += '?';
    }
    return ascii;
}

std::optional<std::vector<std::string>> RomajiOf(const std::vector<std::string>& cp932Texts) {
    std::string input;
    for (const std::string& text : cp932Texts) {
        input += OneLine(text) + "\n";
    }
    const std::optional<std::string> output = Run(input);
    if (!output) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < output->size() && lines.size() < cp932Texts.size()) {
        std::size_t end = output->find('\n', start);
        if (end == std::string::npos) {
            end = output->size();
        }
        lines.push_back(Tidy(AsciiOnly(output->substr(start, end - start))));
        start = end + 1;
    }
    if (lines.size() != cp932Texts.size()) {
        return std::nullopt;
    }
    return lines;
}

}  // namespace karnea
