#include "support/testsupport.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "base/diskfile.h"
#include "base/system.h"
#include "support/testsystem.h"

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

std::string ScratchDir::file(const std::string& name) const {
    return PathText((path_ / PathOf(name)).make_preferred());
}

OpenScratchDir::OpenScratchDir() {
    std::filesystem::permissions(path(), std::filesystem::perms::all);
}

std::size_t FilesIn(const ScratchDir& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++n;
    }
    return n;
}

EnvironmentSet::EnvironmentSet(const char* name, const std::string& value) : name_(name) {
    old_ = EnvironmentValue(name);
    SetEnvironment(name, value);
}

EnvironmentSet::~EnvironmentSet() {
    if (old_) {
        SetEnvironment(name_, *old_);
    } else {
        UnsetEnvironment(name_);
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
    if (!SaveSettings(s, folder + "/Sys.ndx", quiet) || !SaveFontFiles(s) ||
        !ReplaceFiles(
            {{folder + "/M.mst", ""}, {folder + "/Help.txt", std::string(ShippedHelpText())}})) {
        throw std::runtime_error("cannot write the settings in " + folder);
    }
}

}  // namespace karnea::test
