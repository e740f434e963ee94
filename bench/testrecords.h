// The records the benchmarks work on: the example test with all 120 rows
// filled and reduced, read with the standard settings.
#pragma once

#include "analysis/reduction.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "document/documentfile.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "support/testsupport.h"

namespace karnea::bench {

inline Workspace FullExampleTest() {
    Workspace ws;
    ws.settings = test::StandardSettings();
    SilentMessages quiet;
    OpenDataFile(ws, KARNEA_EXAMPLES_DIR "/test.kdw", quiet);
    for (int r = 1; r <= kTestRowCount; ++r) {
        TestRow& row = ws.test.testRows[r];
        row[testField::pm] = FormatText("%d", 5 * r);
        row[testField::vol15] = FormatText("%.1f", 40 + 4.1 * r);
        row[testField::vol30] = FormatText("%.1f", 40.5 + 4.1 * r);
        row[testField::vol60] = FormatText("%.1f", 41 + 4.1 * r);
        row[testField::vol120] = FormatText("%.1f", 41.3 + 4.1 * r);
    }
    RecomputeTestRows(ws.test, quiet);
    ApplyRecordDefaults(ws);
    return ws;
}

}  // namespace karnea::bench
