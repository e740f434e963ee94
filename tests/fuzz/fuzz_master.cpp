// The engineer master: read for the header lists and for its own dialog,
// and the file that saving it would write.
#include "base/messages.h"
#include "entry/engineermastermodel.h"
#include "fuzzsupport.h"
#include "settings/engineermaster.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karnea;
    const std::string path = fuzz::WriteInput("M.mst", data, size);
    ReadEngineerNames(path);
    Settings s;
    s.engineerMasterPath = path;
    SilentMessages quiet;
    EngineerMasterModel model(s, quiet);
    MakeEngineerMasterFile(model.Names());
    return 0;
}
