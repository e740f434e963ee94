// The file logic of the document commands New, Open, Save and Save As and of
// the framework's own open path, without any dialog. Failures show the
// program's message through `messages`, return a failure and leave the records
// as they were.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "records/records.h"

namespace karnea {

struct Workspace;
class Messages;

struct OpenedFile {
    int version = 0;  // as DetectFileVersion gives it
    DocumentKind documentKind = DocumentKind::test;
};

// The new-document step: clears the record of the current kind and that
// kind's last file name; the kind itself stays.
void NewDocument(Workspace& ws);

// The open command once the user has chosen `path`: checks the file, sets the
// document kind from its first line, clears and fills that record, completes
// it (coefficients, scale defaults) and remembers the path as the kind's last
// file name. Rows that do not fit the record are said, and remembered for
// the next save over the file. A save of the file that was killed is
// offered back first (RecoverInterruptedSave), except in a batch (`batch`:
// the tests of a campaign), which reads each file as it is. The caller then
// runs the settings load (record defaults) and updates the views.
std::optional<OpenedFile> OpenDataFile(Workspace& ws, const std::string& path, Messages& messages,
                                       bool batch = false);

// The framework's open path (recently used files, the command line, dropped
// files): the same reading with its own rules; files of the older version
// are refused. The first line decides before the rest is read.
bool LoadDataFileFramework(Workspace& ws, const std::string& path, Messages& messages);

// The extension of a path's file name (after its last dot), or "".
std::string ExtensionOf(std::string_view path);

// Saving over the file the document was read from while rows of that file
// were left out on reading: asks first. True to go on (another file, no rows
// left out, or Yes).
bool MayLeaveRowsOut(const Workspace& ws, const std::string& path, Messages& messages);

// Save: true when the document must go through Save As instead (no path, or
// the title's extension does not suit the document kind).
bool SaveNeedsSaveAs(DocumentKind documentKind, std::string_view path, std::string_view title);

// Save to the document's own path, in the layout its extension names.
bool SaveDocument(Workspace& ws, const std::string& path, Messages& messages);

// Whether a data file at `path` holds the document's own record: Save As
// writes the other record where the extension names the other kind.
bool HoldsOwnRecord(DocumentKind documentKind, std::string_view path);

// The path Save As writes for the chosen one: a name without extension gets
// the document kind's (".kdw" or ".kcw").
std::string CompletedSavePath(DocumentKind documentKind, const std::string& chosenPath);

// Save As to the path the user chose: the extension decides the layout (kcw
// calibration, kdw test, none appends the document kind's extension). The
// other kind's record is written over an existing file only when the user
// says so. Returns the path written, or nothing when nothing was written.
std::optional<std::string> SaveDocumentAs(Workspace& ws, const std::string& chosenPath,
                                          Messages& messages);

// Whether the file at `path` is a data file, by its first line.
bool IsDataFile(const std::string& path);

// Whether a report, printed pages or an export may be written to `path`:
// never over a data file, nor under a data file's extension (kdw, kcw, df,
// cf), where it would later be taken for one. Says why not. When it may, a
// copy that an interrupted earlier write of it left goes, and is said.
bool MayExportTo(const std::string& path, Messages& messages);

}  // namespace karnea
