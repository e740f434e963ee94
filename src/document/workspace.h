// The program's state: the measurement records, the document kind, the last
// file names and the settings. Owned by the application (or a command-line
// command, or a test) and passed by reference; two workspaces never share
// anything.
#pragma once

#include <optional>
#include <string>

#include "base/diskfile.h"

#include "document/edithistory.h"
#include "pages/pagecomposer.h"
#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

struct Workspace {
    TestRecord test;
    CalibrationRecord calibration;

    // Which record the open document is. It is the calibration until the
    // program starts (StartProgram), which opens on the test pages.
    DocumentKind documentKind = DocumentKind::calibration;

    // The files that last filled or received each record, as file system paths.
    std::string lastTestFileName;
    std::string lastCalibrationFileName;

    Settings settings;

    // The file the open document was read from, when rows of it did not fit
    // the record: saving over it would lose them.
    struct LeftOutRows {
        std::string path;
        int rows = 0;
    };
    LeftOutRows leftOut;

    // The file the open document was last read from or saved to, as it
    // stood then: a save over it asks first when another program has
    // changed it since.
    struct DocumentFile {
        std::string path;
        std::optional<FileStamp> stamp;
    };
    DocumentFile onDisk;

    // Which state of the records is shown: each change a command makes gives
    // a new number (see RecordsChanged), and Undo and Redo bring back the
    // number a state had, so that a document is unsaved exactly when its
    // number differs from the one it had when saved.
    unsigned long recordsRevision = 0;
    unsigned long lastRevision = 0;

    // The edits since the document was made or opened, for Undo and Redo.
    EditHistory edits;
};

// The pages of the open document.
inline PageSource PagesOf(const Workspace& ws) {
    return {ws.documentKind, ws.test, ws.calibration, ws.settings};
}

}  // namespace karnea
