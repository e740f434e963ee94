// The settings files: the first byte picks which one the input is (Sys.ndx,
// Font1.ndx .. Font6.ndx, FileV.ndx, the location file); the others are
// missing. The settings are loaded, and the folder memory read.
#include <filesystem>

#include "base/messages.h"
#include "fuzzsupport.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    if (size == 0) {
        return 0;
    }
    static const char* const kNames[] = {"Sys.ndx",   "Font1.ndx", "Font2.ndx",
                                         "Font3.ndx", "Font4.ndx", "Font5.ndx",
                                         "Font6.ndx", "FileV.ndx", "LunKvr5.whr"};
    const std::string folder = fuzz::Folder() + "/settings";
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder, ec);
    const std::string name = kNames[data[0] % 9];
    const std::string path = fuzz::WriteInput("settings/" + name, data + 1, size - 1);
    SilentMessages quiet;
    Settings s;
    if (name == "LunKvr5.whr") {
        s.baseFolder = folder;  // the location file names where the settings are
        LocateSettings(s);
        return 0;
    }
    s.fixedFolder = folder;
    LoadSettings(s, true, quiet);
    ReadFolderMemory(s);
    return 0;
}
