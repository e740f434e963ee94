#include "entry/engineermastermodel.h"

#include "base/diskfile.h"
#include "base/messages.h"
#include "settings/engineermaster.h"
#include "settings/settings.h"

namespace karnea {

EngineerMasterModel::EngineerMasterModel(const Settings& settings, Messages& messages)
    : ReadingsGrid(kEngineerRows, {{"技術者(担当者)", 200}}, 1, settings.enterKeyMode, messages),
      path_(settings.engineerMasterPath) {
    const std::optional<std::vector<std::string>> names =
        ReadEngineerNames(path_, static_cast<std::size_t>(kEngineerRows));
    if (!names) {
        const std::string_view why = WhyUnreadable(path_);
        messages.Show(why.empty() ? FormatMessage(msg::fileNotFound, path_)
                                  : FormatMessage(msg::cannotOpen, why, path_));
    }
    std::vector<std::vector<std::string>> table;
    for (const std::string& name : names.value_or(std::vector<std::string>())) {
        table.push_back({name});
    }
    FillList(table, false);
}

std::vector<std::string> EngineerMasterModel::Names() const {
    std::vector<std::string> names;
    for (int row = 1; row <= rowCount(); ++row) {
        names.push_back(cell(row, 1));
    }
    return names;
}

void EngineerMasterModel::MoveUp() {
    const int row = selectedRow();
    if (row <= 1) {
        return;
    }
    SwapListRows(row, row - 1);
    RequestScrollTo(row - 1);
    SetSelectedRow(row - 1);
    MarkModified();
}

void EngineerMasterModel::MoveDown() {
    const int row = selectedRow();
    if (row < 1 || row >= LastUsedRow()) {
        return;
    }
    SwapListRows(row, row + 1);
    RequestScrollTo(row + 1);
    SetSelectedRow(row + 1);
    MarkModified();
}

void EngineerMasterModel::Delete() {
    const int row = selectedRow();
    if (row < 1) {
        return;
    }
    RemoveListRow(row);
    SetSelectedRow(0);
    ClearCurrentRow();
    MarkModified();
}

bool EngineerMasterModel::TakeOk() {
    if (editingActive()) {
        return ReadingsGrid::TakeOk();
    }
    // Text left in an editor that editing has left goes into its cell.
    CommitEditor();
    return true;
}

Edit EngineerMasterModel::Accept() const {
    const EngineerMasterFile file = MakeEngineerMasterFile(Names());
    return {.name = editName::engineers, .engineerMaster = file.bytes, .notice = file.duplicates};
}

bool EngineerMasterModel::Cancel() {
    return !modified() || messages_.AskYesNo(msg::cancelAfterChanges);
}

}  // namespace karnea
