// What the fuzz targets share: a folder of their own for the files a reader
// is given, and a surface that counts what a page draws.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "document/documentfile.h"
#include "document/workspace.h"
#include "pages/surface.h"
#include "settings/settings.h"

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

// The input after its first byte, opened as the open command opens a test
// file (first byte even) or a calibration file, with the standard settings;
// false when it does not open.
inline bool OpenInput(const std::uint8_t* data, std::size_t size, Workspace& ws,
                      Messages& messages) {
    if (size == 0) {
        return false;
    }
    const std::string path = WriteInput(data[0] % 2 == 0 ? "p.kdw" : "p.kcw", data + 1, size - 1);
    ApplyStandardSettings(ws.settings);
    return OpenDataFile(ws, path, messages).has_value();
}

inline std::string Text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Counts what is drawn and keeps nothing.
class CountingSurface : public Surface {
public:
    long operations = 0;
    int DpiX() const override { return 600; }
    int DpiY() const override { return 600; }
    bool SelectFont(const std::string&, int, int, long) override { return count(); }
    void SaveFont() override { count(); }
    void RestoreFont() override { count(); }
    void SetTextAlign(TextAlign) override { count(); }
    void DrawText(int, int, const std::string&) override { count(); }
    void DrawTextInBox(int, int, int, int, const std::string&) override { count(); }
    void DrawLine(int, int, int, int, int, long) override { count(); }
    void DrawCircle(int, int, int, int, long) override { count(); }

private:
    bool count() {
        ++operations;
        return true;
    }
};

// Far more than the fullest page draws.
constexpr long kMostOperations = 200000;

}  // namespace karnea::fuzz
