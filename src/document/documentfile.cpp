#include "document/documentfile.h"

#include <algorithm>

#include "analysis/calibration.h"
#include "records/datafile.h"
#include "base/diskfile.h"
#include "base/messages.h"
#include "records/records.h"
#include "document/workspace.h"

namespace karnea {
namespace {

// The open command looks at no more of the first line than this.
constexpr std::size_t kFirstLineBytes = 98;

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

std::string_view FirstLine(std::string_view content) {
    const std::size_t end = content.find('\n');
    return end == std::string_view::npos ? content : content.substr(0, end + 1);
}

bool AcceptedVersion(int version) {
    return version >= 200 && version <= 399;
}

char KindLetter(int kind) {
    return kind == kCalibrationDocument ? kCalibrationKindLetter : kTestKindLetter;
}

void ClearRecordOfKind(Workspace& ws, int kind) {
    if (kind == kCalibrationDocument) {
        ClearCalibrationRecord(ws);
    } else {
        ClearTestRecord(ws);
    }
}

// Reads an accepted file into the record of `kind`: sets the document kind,
// clears the record, feeds every line, and completes the record after the
// last line.
void ReadAcceptedFile(Workspace& ws, int version, int kind, std::string_view content,
                      Messages& messages) {
    ws.documentKind = kind;
    ClearRecordOfKind(ws, kind);
    if (version == kOlderVersion) {
        ResetOldReaders(ws);
    }
    ForEachLine(content, [&](std::string_view line) {
        ReadDataLine(ws, version, KindLetter(kind), line, messages);
    });
    if (kind == kCalibrationDocument) {
        if (version == kOlderVersion) {
            FitCalibrationPolynomial(ws, false, messages);
        } else {
            LoadCalibrationCoefficients(ws);
        }
        ApplyCalibrationScaleDefaults(ws);
    } else {
        LoadTestCoefficients(ws);
    }
}

int KindOfVersion(int version) {
    return version == kCalibrationVersion ? kCalibrationDocument : kTestDocument;
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

// Writes the record of `layout` to `path`; shows the reason when it cannot.
bool WriteRecord(const Workspace& ws, FileLayout layout, const std::string& path,
                 Messages& messages) {
    const std::string unwritable = FindUnwritableText(ws, layout);
    if (!unwritable.empty()) {
        messages.Show(unwritable);
        return false;
    }
    if (!ReplaceFile(path, WriteDataFile(ws, layout))) {
        messages.Show(msg::cannotSave);
        return false;
    }
    return true;
}

}  // namespace

void NewDocument(Workspace& ws) {
    if (ws.documentKind == kTestDocument) {
        ClearTestRecord(ws);
        ws.lastTestFileName.clear();
    } else {
        ClearCalibrationRecord(ws);
        ws.lastCalibrationFileName.clear();
    }
}

std::optional<OpenedFile> OpenDataFile(Workspace& ws, const std::string& path, Messages& messages) {
    const std::optional<std::string> start = ReadFileStart(path, kFirstLineBytes);
    if (!start) {
        messages.Show(FormatMessage(msg::fileNotFound, path));
        return std::nullopt;
    }
    const int version = DetectFileVersion(FirstLine(*start));
    if (!AcceptedVersion(version)) {
        messages.Show(msg::notDataFile);
        return std::nullopt;
    }
    const std::optional<std::string> content = ReadWholeFile(path);
    if (!content) {
        messages.Show(FormatMessage(msg::fileNotFound, path));
        return std::nullopt;
    }
    // An older file is a calibration when its name ends in "cf".
    const int kind = version == kOlderVersion
                         ? (EndsWithIgnoringCase(path, "cf") ? kCalibrationDocument : kTestDocument)
                         : KindOfVersion(version);
    ReadAcceptedFile(ws, version, kind, *content, messages);
    (kind == kCalibrationDocument ? ws.lastCalibrationFileName : ws.lastTestFileName) = path;
    return OpenedFile{version, kind};
}

bool LoadDataFileFramework(Workspace& ws, const std::string& path, Messages& messages) {
    if (EndsWithIgnoringCase(path, "kcw")) {
        ws.lastCalibrationFileName = path;
    } else if (EndsWithIgnoringCase(path, "kdw")) {
        ws.lastTestFileName = path;
    }
    const std::optional<std::string> content = ReadWholeFile(path);
    if (!content) {
        messages.Show(FormatMessage(msg::fileNotFound, path));
        return false;
    }
    if (content->empty()) {
        messages.Show(msg::notDataFile);
        return false;
    }
    const int version = DetectFileVersion(FirstLine(*content));
    if (!AcceptedVersion(version)) {
        messages.Show(msg::notDataFile);
        return false;
    }
    if (version == kOlderVersion) {
        messages.Show(msg::oldVersionUseOpen);
        return false;
    }
    const int kind = KindOfVersion(version);
    ReadAcceptedFile(ws, version, kind, *content, messages);
    if (kind == kTestDocument) {
        ws.lastTestFileName = "*.kcw";
    } else {
        ws.lastCalibrationFileName = "*.kdw";
    }
    return true;
}

std::string ExtensionOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

bool SaveNeedsSaveAs(int documentKind, std::string_view path, std::string_view title) {
    const std::string_view extension = title.size() >= 3 ? title.substr(title.size() - 3) : title;
    if (path.empty() || extension.empty()) {
        return true;
    }
    const std::optional<FileLayout> layout = LayoutOfExtension(extension);
    if (!layout) {
        return true;
    }
    return (*layout == FileLayout::calibration) != (documentKind == kCalibrationDocument);
}

bool SaveDocument(Workspace& ws, const std::string& path, Messages& messages) {
    const std::string_view extension =
        path.size() >= 3 ? std::string_view(path).substr(path.size() - 3) : std::string_view();
    const FileLayout layout =
        SameIgnoringCase(extension, "kcw") ? FileLayout::calibration : FileLayout::test;
    return WriteRecord(ws, layout, path, messages);
}

std::optional<std::string> SaveDocumentAs(Workspace& ws, const std::string& chosenPath,
                                          Messages& messages) {
    std::string path = chosenPath;
    const std::string extension = ExtensionOf(path);
    std::optional<FileLayout> layout = LayoutOfExtension(extension);
    if (!layout) {
        if (!extension.empty()) {
            messages.Show(msg::badExtension);
            return std::nullopt;
        }
        const bool test = ws.documentKind == kTestDocument;
        path += test ? ".kdw" : ".kcw";
        layout = test ? FileLayout::test : FileLayout::calibration;
    }
    if (!WriteRecord(ws, *layout, path, messages)) {
        return std::nullopt;
    }
    (*layout == FileLayout::calibration ? ws.lastCalibrationFileName : ws.lastTestFileName) = path;
    return path;
}

}  // namespace karnea
