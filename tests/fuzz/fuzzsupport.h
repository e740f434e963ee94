// What the fuzz targets share: a folder of their own for the files a reader
// is given, and messages that go nowhere.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

namespace karnea::fuzz {

// A folder made once a process, in memory where the system offers it (the
// readers are given a file on every run), else in the temporary folder.
inline const std::string& Folder() {
    static const std::string folder = [] {
        for (const char* base : {"/dev/shm", "/tmp"}) {
            std::string pattern = std::string(base) + "/karnea-fuzz-XXXXXX";
            if (mkdtemp(pattern.data()) != nullptr) {
                return pattern;
            }
        }
        return std::string("/tmp");
    }();
    return folder;
}

// The input as the file `name` in that folder; its path.
inline std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = Folder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

inline std::string Text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace karnea::fuzz
