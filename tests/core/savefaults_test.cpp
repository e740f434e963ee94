// Saves that fail at each of their steps: the previous file stays as it
// was, no new file is left beside it, and the user is told. Also the owner
// of a saved file (with the other ways a system ends a save, on Linux).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "entry/engineermastermodel.h"
#include "records/datafile.h"
#include "settings/settings.h"
#include "support/edits.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

using test::EnvironmentSet;
using test::FilesIn;
using test::OpenScratchDir;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// The copies that writing in place keeps, anywhere below `folder`.
std::size_t CopiesBelow(const ScratchDir& folder) {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
        n += entry.path().filename().string().find(".before-save-") != std::string::npos;
    }
    return n;
}

#ifdef KARNEA_SAVE_FAULTS
constexpr SaveStep kSteps[] = {SaveStep::create, SaveStep::write,  SaveStep::flush,
                               SaveStep::sync,   SaveStep::rename, SaveStep::syncFolder};

struct FailingStep {
    explicit FailingStep(SaveStep step) { FailSaveStep(step); }
    ~FailingStep() { FailSaveStep(SaveStep::none); }
};

TEST(SaveFaults, EveryStepLeavesThePreviousFile) {
    for (const SaveStep step : kSteps) {
        ScratchDir dir;
        WriteBytes(dir.file("f"), "previous");
        WriteBytes(dir.file("g"), "other");
        {
            const FailingStep failing(step);
            EXPECT_FALSE(ReplaceFile(dir.file("f"), "new")) << static_cast<int>(step);
            EXPECT_FALSE(ReplaceFile(dir.file("new"), "new")) << static_cast<int>(step);
            EXPECT_FALSE(ReplaceFiles({{dir.file("f"), "a"}, {dir.file("g"), "b"}}));
            // A file streamed in pieces keeps the same promises.
            EXPECT_FALSE(ReplaceFileStreamed(dir.file("f"), [](const ContentWriter& put) {
                return put("ne") && put("w");
            })) << static_cast<int>(step);
        }
        EXPECT_EQ(ReadBytes(dir.file("f")), "previous") << static_cast<int>(step);
        EXPECT_EQ(ReadBytes(dir.file("g")), "other");
        EXPECT_EQ(FilesIn(dir), 2u) << static_cast<int>(step);  // no new file stays
        EXPECT_TRUE(ReplaceFile(dir.file("f"), "new"));
        EXPECT_EQ(ReadBytes(dir.file("f")), "new");
        EXPECT_EQ(FilesIn(dir), 2u);
    }
}

// A writable file in a folder where no new file can be made is written in
// place; whichever step of that fails, the file keeps its previous content
// whole, longer or shorter than the new one, and the copy kept meanwhile
// goes. Without room for that copy nothing is written at all.
TEST(SaveFaults, WritingInPlaceKeepsThePreviousContent) {
    OpenScratchDir temporary;
    const EnvironmentSet tmpdir(test::kTemporaryFolderVariable, temporary.path().string());
    for (const std::string& previous : {std::string("previous"), std::string(100000, 'p')}) {
        for (const SaveStep step :
             {SaveStep::copy, SaveStep::write, SaveStep::sync, SaveStep::truncate}) {
            ScratchDir dir;
            WriteBytes(dir.file("f"), previous);
            {
                const FailingStep denied(SaveStep::createDenied);
                FailSaveStep(step);
                EXPECT_FALSE(ReplaceFile(dir.file("f"), std::string(5000, 'n')));
            }
            EXPECT_EQ(ReadBytes(dir.file("f")), previous) << static_cast<int>(step);
            EXPECT_EQ(FilesIn(dir), 1u) << static_cast<int>(step);
            EXPECT_EQ(CopiesBelow(temporary), 0u);
        }
        ScratchDir dir;
        WriteBytes(dir.file("f"), previous);
        const FailingStep denied(SaveStep::createDenied);
        EXPECT_TRUE(ReplaceFile(dir.file("f"), "new"));
        EXPECT_EQ(ReadBytes(dir.file("f")), "new");
        EXPECT_EQ(FilesIn(dir), 1u);
        // A streamed file goes the same way, collected first.
        EXPECT_TRUE(ReplaceFileStreamed(
            dir.file("f"), [](const ContentWriter& put) { return put("stre") && put("amed"); }));
        EXPECT_EQ(ReadBytes(dir.file("f")), "streamed");
        EXPECT_EQ(FilesIn(dir), 1u);
    }
}

TEST(SaveFaults, DataSettingsAndMasterSavesSayTheyFailed) {
    for (const SaveStep step : kSteps) {
        ScratchDir dir;
        Workspace ws;
        ws.documentKind = DocumentKind::test;
        ws.test.testHeader[header::surveyName] = "new";
        const std::string data = dir.file("t.kdw");
        WriteBytes(data, "$$_KDVARDO301\r\n");
        Settings settings = test::StandardSettings();
        settings.engineerMasterPath = dir.file("M.mst");
        WriteBytes(dir.file("M.mst"), "A\r\n");
        WriteBytes(dir.file("Sys.ndx"), "old\r\n");
        RecordedMessages m;
        {
            const FailingStep failing(step);
            EXPECT_FALSE(SaveDocument(ws, data, m));
            EXPECT_EQ(m.shown.back(), "保存できませんでした");
            EXPECT_FALSE(SaveSettings(settings, dir.file("Sys.ndx"), m));
            EngineerMasterModel master(settings, m);
            master.SetCell(2, 1, "B");
            EXPECT_TRUE(test::PressOk(master, settings, m));
            EXPECT_EQ(m.shown.back(), "マスタファイルは\n保存できませんでした");
        }
        EXPECT_EQ(ReadBytes(data), "$$_KDVARDO301\r\n");
        EXPECT_EQ(ReadBytes(dir.file("Sys.ndx")), "old\r\n");
        EXPECT_EQ(ReadBytes(dir.file("M.mst")), "A\r\n");
        EXPECT_EQ(FilesIn(dir), 3u) << static_cast<int>(step);
    }
}
#endif

}  // namespace
}  // namespace karnea
