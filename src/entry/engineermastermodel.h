// The engineer name master's dialog without widgets: a readings grid of 80
// rows and one column "技術者(担当者)" typed through the in-place editor,
// "↑", "↓" and "削除", and OK whose edit is the master's names.
#pragma once

#include <string>
#include <vector>

#include "entry/edit.h"
#include "entry/readingsgrid.h"

namespace karnea {

struct Settings;

class EngineerMasterModel : public ReadingsGrid {
public:
    // Opening: the names of the master (a missing file is said, and the list
    // starts empty). The settings must outlive the model.
    EngineerMasterModel(const Settings& settings, Messages& messages);

    const std::string& path() const { return path_; }
    bool numberCells() const override { return false; }

    // "↑", "↓", "削除" on the selected row.
    void MoveUp();
    void MoveDown();
    void Delete();

    // OK: while the editor is in use the dialog stays; otherwise text left
    // in an editor goes into its cell (the names are not sorted).
    bool TakeOk() override;
    // The names as the master keeps them (duplicates are kept, and said when
    // the master is written).
    Edit Accept() const;
    // Cancel: asks after any change.
    bool Cancel() override;

    // The names as the list holds them, rows 1..80.
    std::vector<std::string> Names() const;

protected:
    void WriteRecordCell(int, int, const std::string&) override {}
    void CommitRecordRow(int, const std::vector<std::string>&) override {}
    void ClearRecordRowsFrom(int) override {}

private:
    std::string path_;
};

}  // namespace karnea
