#include "document/documentfile.h"

#include <algorithm>
#include <filesystem>

#include "analysis/calibration.h"
#include "base/diskfile.h"
#include "base/messages.h"
#include "base/system.h"
#include "base/textfields.h"
#include "document/workspace.h"
#include "records/datafile.h"
#include "records/olderfile.h"

namespace karnea {
namespace {

// The open commands look at no more of the first line than this.
constexpr std::size_t kFirstLineBytes = 98;

enum class FileLayout { calibration, test };

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() &&
           SameIgnoringCase(text.substr(text.size() - end.size()), end);
}

bool AcceptedVersion(int version) {
    return version >= kFirstAcceptedVersion && version <= kLastAcceptedVersion;
}

std::string FileNameOf(const std::string& path) {
    return PathText(PathOf(path).filename());
}

// The version of the file at `path` from its first line, or nothing when it
// cannot be read.
std::optional<int> VersionOfFile(const std::string& path) {
    const std::optional<std::string> start = ReadFileStart(path, kFirstLineBytes);
    if (!start) {
        return std::nullopt;
    }
    return DetectFileVersion(FirstLineOf(*start));
}

// The version of a file to be opened, after what an interrupted save left
// of it is settled (when `recover`); nothing when it cannot be read (said,
// with the reason).
std::optional<int> VersionToOpen(const std::string& path, bool recover, Messages& messages) {
    if (const std::string_view why = WhyUnreadable(path); !why.empty()) {
        messages.Show(FormatMessage(msg::cannotOpen, why, path));
        return std::nullopt;
    }
    if (recover) {
        RecoverInterruptedSave(path, SaveRecovery::opening, messages);
    }
    const std::optional<int> version = VersionOfFile(path);
    if (!version) {
        messages.Show(FormatMessage(msg::fileNotFound, path));
    }
    return version;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && std::filesystem::equivalent(PathOf(a), PathOf(b), ec) && !ec;
}

// Reads an accepted file into the record of `kind`: sets the document kind,
// clears the record, reads every line, and completes the record after the
// last line. Rows that did not fit are said and remembered.
void ReadAcceptedFile(Workspace& ws, const std::string& path, int version, DocumentKind kind,
                      std::string_view content, Messages& messages) {
    ws.documentKind = kind;
    ws.edits.Clear();
    const double si = TextToDouble(ws.settings.siCoefficient);
    int leftOut = 0;
    if (kind == DocumentKind::calibration) {
        CalibrationRecord& calibration = ws.calibration;
        ClearCalibrationRecord(calibration);
        if (version == kOlderVersion) {
            leftOut = ReadOldCalibrationFile(content, calibration, si, messages);
            FitCalibrationPolynomial(calibration, false, messages);
        } else {
            leftOut = ReadCalibrationFile(content, calibration, messages);
            LoadCalibrationCoefficients(calibration);
        }
        ApplyCalibrationScaleDefaults(calibration);
    } else {
        TestRecord& test = ws.test;
        ClearTestRecord(test);
        if (version == kOlderVersion) {
            leftOut = ReadOldTestFile(content, test, si, messages);
        } else {
            leftOut = ReadTestFile(content, test, messages);
        }
        LoadTestCoefficients(test);
    }
    ws.leftOut = {leftOut > 0 ? path : std::string(), leftOut};
    ws.onDisk = {path, StampOf(path)};
    if (leftOut > 0) {
        messages.Show(FormatMessage(msg::rowsLeftOut, std::to_string(leftOut)));
    }
}

DocumentKind KindOfVersion(int version) {
    return version == kCalibrationVersion ? DocumentKind::calibration : DocumentKind::test;
}

std::optional<FileLayout> LayoutOfExtension(std::string_view extension) {
    if (SameIgnoringCase(extension, "kcw")) {
        return FileLayout::calibration;
    }
    if (SameIgnoringCase(extension, "kdw")) {
        return FileLayout::test;
    }
    return std::nullopt;
}

// The rows of a table that hold anything.
template <typename Rows>
int RowsHolding(const Rows& rows) {
    int n = 0;
    for (int r = 1; r <= Rows::size(); ++r) {
        n += std::any_of(rows[r].begin(), rows[r].end(),
                         [](const std::string& field) { return !field.empty(); });
    }
    return n;
}

// An existing file is replaced without a question only by the record of its
// own kind from the document of that kind. A data file of the other kind
// would lose its readings; under the other kind's extension Save As writes
// the record that is not shown (often an empty one): the user is asked,
// told which record goes there.
bool MayReplace(const Workspace& ws, const std::string& path, FileLayout layout,
                Messages& messages) {
    const std::optional<int> version = VersionOfFile(path);
    if (!version) {
        return true;
    }
    const std::string name(FileNameOf(path));
    const bool calibration = layout == FileLayout::calibration;
    if (calibration && *version == kTestVersion) {
        return messages.AskYesNo(FormatMessage(msg::overwriteTestFile, name));
    }
    if (!calibration && *version == kCalibrationVersion) {
        return messages.AskYesNo(FormatMessage(msg::overwriteCalibrationFile, name));
    }
    if (calibration != (ws.documentKind == DocumentKind::calibration)) {
        const int rows = calibration ? RowsHolding(ws.calibration.calibrationRows)
                                     : RowsHolding(ws.test.testRows);
        return messages.AskYesNo(
            FormatMessage(calibration ? msg::calibrationRecordOverFile : msg::testRecordOverFile,
                          name, std::to_string(rows)));
    }
    return true;
}

// Writes the record of `layout` to `path`; shows the reason when it cannot.
bool WriteRecord(Workspace& ws, FileLayout layout, const std::string& path, Messages& messages) {
    const bool test = layout == FileLayout::test;
    const std::string unwritable =
        test ? FindUnwritableText(ws.test) : FindUnwritableText(ws.calibration);
    if (!unwritable.empty()) {
        messages.Show(unwritable);
        return false;
    }
    if (!MayReplace(ws, path, layout, messages)) {
        return false;
    }
    const std::string bytes = test ? WriteTestFile(ws.test) : WriteCalibrationFile(ws.calibration);
    if (bytes.size() > kLargestDataFile) {
        messages.Show(msg::recordTooLarge);
        return false;
    }
    // Another program's change of the file since the document came from it
    // (or was last saved to it) is not overwritten unasked.
    if (SameFile(ws.onDisk.path, path) && ws.onDisk.stamp) {
        const std::optional<FileStamp> now = StampOf(path);
        if (now && now != ws.onDisk.stamp &&
            !messages.AskYesNoDefaultNo(FormatMessage(msg::changedOnDisk, FileNameOf(path)))) {
            return false;
        }
    }
    RecoverInterruptedSave(path, SaveRecovery::saving, messages);
    if (!ReplaceFile(path, bytes)) {
        messages.Show(CannotSaveMessage(path, bytes.size()));
        return false;
    }
    ws.onDisk = {path, StampOf(path)};
    // The rows left out are gone from that file now.
    if (SameFile(ws.leftOut.path, path)) {
        ws.leftOut = {};
    }
    return true;
}

}  // namespace

void NewDocument(Workspace& ws) {
    ws.leftOut = {};
    ws.onDisk = {};
    ws.edits.Clear();
    if (ws.documentKind == DocumentKind::test) {
        ClearTestRecord(ws.test);
        ws.lastTestFileName.clear();
    } else {
        ClearCalibrationRecord(ws.calibration);
        ws.lastCalibrationFileName.clear();
    }
}

std::optional<OpenedFile> OpenDataFile(Workspace& ws, const std::string& path, Messages& messages,
                                       bool batch) {
    const std::optional<int> version = VersionToOpen(path, !batch, messages);
    if (!version) {
        return std::nullopt;
    }
    if (!AcceptedVersion(*version)) {
        messages.Show(msg::notDataFile);
        return std::nullopt;
    }
    const std::optional<std::string> content = ReadDataFile(path, messages);
    if (!content) {
        return std::nullopt;
    }
    // An older file is a calibration when its name ends in "cf".
    const DocumentKind kind =
        *version == kOlderVersion
            ? (EndsWithIgnoringCase(path, "cf") ? DocumentKind::calibration : DocumentKind::test)
            : KindOfVersion(*version);
    ReadAcceptedFile(ws, path, *version, kind, *content, messages);
    (kind == DocumentKind::calibration ? ws.lastCalibrationFileName : ws.lastTestFileName) = path;
    return OpenedFile{*version, kind};
}

bool LoadDataFileFramework(Workspace& ws, const std::string& path, Messages& messages) {
    const std::optional<int> version = VersionToOpen(path, true, messages);
    if (!version) {
        return false;
    }
    if (!AcceptedVersion(*version)) {
        messages.Show(msg::notDataFile);
        return false;
    }
    if (*version == kOlderVersion) {
        messages.Show(msg::oldVersionUseOpen);
        return false;
    }
    const std::optional<std::string> content = ReadDataFile(path, messages);
    if (!content) {
        return false;
    }
    const DocumentKind kind = KindOfVersion(*version);
    ReadAcceptedFile(ws, path, *version, kind, *content, messages);
    // Only an accepted file changes the last file names: the path becomes
    // the name of the kind its extension says, then the kind that was read
    // keeps a filter text as its name.
    if (EndsWithIgnoringCase(path, "kcw")) {
        ws.lastCalibrationFileName = path;
    } else if (EndsWithIgnoringCase(path, "kdw")) {
        ws.lastTestFileName = path;
    }
    if (kind == DocumentKind::test) {
        ws.lastTestFileName = "*.kcw";
    } else {
        ws.lastCalibrationFileName = "*.kdw";
    }
    return true;
}

std::string ExtensionOf(std::string_view path) {
    const std::string name = FileNameOf(std::string(path));
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool MayLeaveRowsOut(const Workspace& ws, const std::string& path, Messages& messages) {
    if (ws.leftOut.rows == 0 || !SameFile(ws.leftOut.path, path)) {
        return true;
    }
    const std::string name(FileNameOf(path));
    return messages.AskYesNo(
        FormatMessage(msg::saveWithoutLeftOutRows, name, std::to_string(ws.leftOut.rows)));
}

bool SaveNeedsSaveAs(DocumentKind documentKind, std::string_view path, std::string_view title) {
    const std::string_view extension = title.size() >= 3 ? title.substr(title.size() - 3) : title;
    if (path.empty() || extension.empty()) {
        return true;
    }
    const std::optional<FileLayout> layout = LayoutOfExtension(extension);
    if (!layout) {
        return true;
    }
    return (*layout == FileLayout::calibration) != (documentKind == DocumentKind::calibration);
}

bool SaveDocument(Workspace& ws, const std::string& path, Messages& messages) {
    const std::string_view extension =
        path.size() >= 3 ? std::string_view(path).substr(path.size() - 3) : std::string_view();
    const FileLayout layout =
        SameIgnoringCase(extension, "kcw") ? FileLayout::calibration : FileLayout::test;
    return WriteRecord(ws, layout, path, messages);
}

std::string CompletedSavePath(DocumentKind documentKind, const std::string& chosenPath) {
    if (!ExtensionOf(chosenPath).empty()) {
        return chosenPath;
    }
    return chosenPath + (documentKind == DocumentKind::test ? ".kdw" : ".kcw");
}

bool HoldsOwnRecord(DocumentKind documentKind, std::string_view path) {
    const std::optional<FileLayout> layout = LayoutOfExtension(ExtensionOf(path));
    return layout &&
           (*layout == FileLayout::calibration) == (documentKind == DocumentKind::calibration);
}

std::optional<std::string> SaveDocumentAs(Workspace& ws, const std::string& chosenPath,
                                          Messages& messages) {
    const std::string path = CompletedSavePath(ws.documentKind, chosenPath);
    const std::optional<FileLayout> layout = LayoutOfExtension(ExtensionOf(path));
    if (!layout) {
        messages.Show(msg::badExtension);
        return std::nullopt;
    }
    if (!WriteRecord(ws, *layout, path, messages)) {
        return std::nullopt;
    }
    (*layout == FileLayout::calibration ? ws.lastCalibrationFileName : ws.lastTestFileName) = path;
    return path;
}

bool IsDataFile(const std::string& path) {
    const std::optional<int> version = VersionOfFile(path);
    return version && AcceptedVersion(*version);
}

bool MayExportTo(const std::string& path, Messages& messages) {
    if (IsDataFile(path)) {
        messages.Show(FormatMessage(msg::outputOverData, path));
        return false;
    }
    const std::string extension = ExtensionOf(path);
    for (const char* data : {"kdw", "kcw", "df", "cf"}) {
        if (SameIgnoringCase(extension, data)) {
            messages.Show(FormatMessage(msg::outputNamedAsData, path));
            return false;
        }
    }
    RecoverInterruptedSave(path, SaveRecovery::exporting, messages);
    return true;
}

}  // namespace karnea
