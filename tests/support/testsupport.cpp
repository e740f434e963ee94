#include "support/testsupport.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace karnea::test {

ScratchDir::ScratchDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = std::filesystem::temp_directory_path() /
                ("karnea-test-" + std::to_string(random()) + std::to_string(attempt));
        if (std::filesystem::create_directory(path_)) {
            return;
        }
    }
    throw std::runtime_error("no scratch folder");
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool AsOrdinaryUser(const std::function<bool()>& check) {
    if (::geteuid() != 0) {
        return check();
    }
    constexpr uid_t kNobody = 65534;
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        ::_exit(dropped && check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

Settings StandardSettings() {
    Settings s;
    ApplyStandardSettings(s);
    for (int role = 1; role <= kFontRoleCount; ++role) {
        const auto r = static_cast<FontRole>(role);
        s.font(r) = StandardFont(r);
    }
    return s;
}

void WriteStandardSettings(const std::string& folder) {
    Settings s = StandardSettings();
    s.settingsFolder = folder;
    std::filesystem::create_directories(folder);
    SilentMessages quiet;
    if (!SaveSettings(s, folder + "/Sys.ndx", quiet)) {
        throw std::runtime_error("cannot write the settings in " + folder);
    }
    SaveFontFiles(s);
}

}  // namespace karnea::test
