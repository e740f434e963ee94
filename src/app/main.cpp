#include "app/ctavapp.h"
#include "base/messagetexts.h"
#include "base/osfiles.h"

int main(int argc, char** argv) {
    karnea::os::EndWhenMemoryRunsOut(karnea::msg::outOfMemory.data());
    return karnea::RunApplication(argc, argv);
}
