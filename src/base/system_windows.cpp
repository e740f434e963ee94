#include <windows.h>
// after windows.h, which it needs
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <string>
#include <thread>

#include "base/system.h"

namespace karnea {
namespace {

// UTF-8 and the UTF-16 that Windows' own calls take; bytes that are not
// UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), utf8.data(), n,
                        nullptr, nullptr);
    return utf8;
}

}  // namespace

std::filesystem::path PathOf(const std::string& path) {
    return std::filesystem::path(Widen(path));
}

std::string PathText(const std::filesystem::path& path) {
    return Narrow(path.native());
}

bool DisplayAvailable() {
    return true;
}

bool PathsHaveDrives() {
    return true;
}

std::string_view ManualReference() {
    return "README.txt beside karnea-cli.exe";
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return PathText((PathOf(folder) / PathOf(name)).make_preferred());
}

std::vector<std::string> ProgramArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i) {
        arguments.push_back(Narrow(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

namespace {

// A console's stream: UTF-8 bytes written as wide characters, whole
// characters at a time (a console in another code page, and Wine's, would
// show each byte of a UTF-8 text as a character of its own).
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            pending_ += static_cast<char>(c);
            if (c == '\n' || pending_.size() >= 4096) {
                Flush();
            }
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        pending_.append(s, static_cast<std::size_t>(n));
        if (pending_.size() >= 4096 || pending_.find('\n') != std::string::npos) {
            Flush();
        }
        return n;
    }
    int sync() override {
        Flush();
        return 0;
    }

private:
    void Flush() {
        // A character cut at the end waits for its other bytes.
        std::size_t whole = pending_.size();
        for (std::size_t back = 1; back <= 3 && back <= pending_.size(); ++back) {
            const auto byte = static_cast<unsigned char>(pending_[pending_.size() - back]);
            if ((byte & 0xC0) == 0xC0) {
                const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
                if (back < length) {
                    whole = pending_.size() - back;
                }
                break;
            }
            if ((byte & 0x80) == 0) {
                break;
            }
        }
        const std::wstring wide = Widen(std::string_view(pending_).substr(0, whole));
        DWORD written = 0;
        WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        pending_.erase(0, whole);
    }
    HANDLE console_;
    std::string pending_;
};

// The console streams, when the standard streams are consoles.
void ToConsole(DWORD which, std::ostream& stream) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        // The buffer lives as long as the program's standard streams.
        stream.rdbuf(new ConsoleBuffer(handle));
    }
}

}  // namespace

void UseBinaryStandardStreams() {
    // A window program has no standard output of its own; started from a
    // console, it writes to that console.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((output == nullptr || output == INVALID_HANDLE_VALUE) &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::FILE* ignored = nullptr;
        _wfreopen_s(&ignored, L"CONOUT$", L"w", stdout);
        _wfreopen_s(&ignored, L"CONOUT$", L"w", stderr);
    }
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    ToConsole(STD_OUTPUT_HANDLE, std::cout);
    ToConsole(STD_ERROR_HANDLE, std::cerr);
}

std::optional<std::string> EnvironmentValue(const char* name) {
    const wchar_t* value = _wgetenv(Widen(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return Narrow(value);
}

void SetEnvironmentDefault(const char* name, const std::string& value) {
    if (!EnvironmentValue(name)) {
        _wputenv_s(Widen(name).c_str(), Widen(value).c_str());
    }
}

std::optional<std::string> UserConfigFolder() {
    const std::optional<std::string> appData = EnvironmentValue("APPDATA");
    if (!appData || appData->empty()) {
        return std::nullopt;
    }
    return appData;
}

std::optional<std::string> UserStateFolder() {
    const std::optional<std::string> local = EnvironmentValue("LOCALAPPDATA");
    if (!local || local->empty()) {
        return std::nullopt;
    }
    return local;
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}

namespace {

// One argument of a command line, quoted as programs' start-up code reads
// them back.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// A handle closed when it goes.
struct Handle {
    HANDLE h = nullptr;
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    void Close() {
        if (h != nullptr && h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
        h = nullptr;
    }
};

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                      const RunLimits& limits) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limits.timeLimit;
    ProgramRun run;
    if (arguments.empty()) {
        return run;
    }
    std::wstring commandLine;
    for (const std::string& a : arguments) {
        commandLine += (commandLine.empty() ? L"" : L" ") + Quoted(Widen(a));
    }
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle inRead, inWrite, outRead, outWrite, nowhere;
    if (!CreatePipe(&inRead.h, &inWrite.h, &inherited, 0) ||
        !CreatePipe(&outRead.h, &outWrite.h, &inherited, 0)) {
        return run;
    }
    // The program inherits its own ends alone.
    SetHandleInformation(inWrite.h, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead.h, HANDLE_FLAG_INHERIT, 0);
    nowhere.h = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                            OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = inRead.h;
    start.hStdOutput = outWrite.h;
    start.hStdError = nowhere.h;
    // A helper shipped beside this program (found there first) runs in this
    // program's folder, where its data lie.
    std::wstring own(MAX_PATH, L'\0');
    own.resize(GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size())));
    const std::wstring folder = std::filesystem::path(own).parent_path().native();
    PROCESS_INFORMATION process{};
    // A job of its own, so that what it starts ends with it: the program is
    // put in the job before it runs.
    Handle job;
    job.h = CreateJobObjectW(nullptr, nullptr);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &start, &process)) {
        return run;
    }
    Handle child, thread;
    child.h = process.hProcess;
    thread.h = process.hThread;
    if (job.h != nullptr) {
        AssignProcessToJobObject(job.h, child.h);
    }
    ResumeThread(thread.h);
    inRead.Close();
    outWrite.Close();
    nowhere.Close();
    // Written and read on threads of their own, so that neither side waits
    // on a full pipe; the pipes break when the program ends, which ends both.
    std::thread writer([&] {
        std::size_t written = 0;
        while (written < input.size()) {
            DWORD n = 0;
            const DWORD want =
                static_cast<DWORD>(std::min<std::size_t>(input.size() - written, 1 << 16));
            if (!WriteFile(inWrite.h, input.data() + written, want, &n, nullptr)) {
                break;
            }
            written += n;
        }
        inWrite.Close();
    });
    const std::size_t most = input.size() * 32 + (std::size_t(1) << 20);
    std::atomic<bool> tooMuch{false};
    std::thread reader([&] {
        char buffer[65536];
        DWORD n = 0;
        while (ReadFile(outRead.h, buffer, sizeof buffer, &n, nullptr) && n > 0) {
            run.output.append(buffer, n);
            if (run.output.size() > most) {
                tooMuch = true;
                break;
            }
        }
    });
    constexpr DWORD kLookEveryMs = 50;
    run.end = RunEnd::finished;
    while (WaitForSingleObject(child.h, kLookEveryMs) != WAIT_OBJECT_0) {
        if (limits.stopped && limits.stopped()) {
            run.end = RunEnd::stopped;
        } else if (Clock::now() >= deadline) {
            run.end = RunEnd::timedOut;
        } else if (tooMuch) {
            run.end = RunEnd::overflowed;
        } else {
            continue;
        }
        if (job.h != nullptr) {
            TerminateJobObject(job.h, 1);
        }
        TerminateProcess(child.h, 1);
        WaitForSingleObject(child.h, INFINITE);
        break;
    }
    // What it started and left running would hold the pipes open.
    if (job.h != nullptr) {
        TerminateJobObject(job.h, 1);
    }
    writer.join();
    reader.join();
    DWORD code = 1;
    if (run.end == RunEnd::finished && (!GetExitCodeProcess(child.h, &code) || code != 0)) {
        run.end = RunEnd::failed;
        run.exitCode = static_cast<int>(code);
    }
    if (run.end != RunEnd::finished) {
        run.output.clear();
    }
    return run;
}

}  // namespace karnea
