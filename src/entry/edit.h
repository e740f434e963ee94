// What a dialog's OK changes, as one value: the records and settings as the
// edit leaves them, the files that keep those settings, what follows in the
// records, and the name Undo and Redo give it. The document applies it
// (ApplyEdit) and keeps it for Undo; a model only says what it would be.
#pragma once

#include <optional>
#include <string>

#include "records/records.h"
#include "settings/settings.h"

namespace karnea {

// The settings files an edit writes.
enum SettingsFile : unsigned {
    noSettingsFile = 0,
    generalSettingsFile = 1,  // "Sys.ndx"
    fontFiles = 2,            // "Font1.ndx" .. "Font6.ndx"
    locationFile = 4,         // the installation folder moves (and every setting is read again)
};

// What follows in the records from what an edit changed.
enum class Follow {
    nothing,
    reduceTest,        // every test row reduced again
    recheckAndReduce,  // the loaded calibration checked, then every test row reduced again
    refitCalibration,  // the calibration curve fitted again
};

struct Edit {
    // The name for the user, after "元に戻す" and "やり直し" (UTF-8).
    std::string name{};
    std::optional<TestRecord> test{};
    std::optional<CalibrationRecord> calibration{};
    std::optional<Settings> settings{};
    unsigned files = noSettingsFile;
    // The engineer name master's file, whole.
    std::optional<std::string> engineerMaster{};
    Follow follow = Follow::nothing;
    // What the user is told when the edit is made (not when it is undone or
    // redone): something the edit keeps that deserves a look (UTF-8).
    std::string notice{};
};

// The names of the edits, as the menu items and commands name them.
namespace editName {
inline constexpr const char* readings = "データ";
inline constexpr const char* header = "見出し";
inline constexpr const char* analysis = "解析/目盛り";
inline constexpr const char* page = "ページ";
inline constexpr const char* style = "様式/桁数";
inline constexpr const char* lines = "線種/係数/マージン";
inline constexpr const char* keys = "キーの動作";
inline constexpr const char* fonts = "フォント";
inline constexpr const char* setup = "セットアップ";
inline constexpr const char* engineers = "登録 技術者名";
// What follows in the records without a dialog's OK (a fit after Cancel, a
// reduction of the command-line tool).
inline constexpr const char* recompute = "再計算";
}  // namespace editName

}  // namespace karnea
