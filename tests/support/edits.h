// A dialog model's OK in the tests of one record: the record goes into a
// workspace, OK takes the edit path there, and the record comes back as the
// edit left it (with what followed from it).
#pragma once

#include <optional>
#include <type_traits>

#include "document/edithistory.h"
#include "document/workspace.h"

namespace karnea::test {

template <typename Model, typename Record>
std::optional<Refusal> PressOk(Model& model, Record& record, Messages& messages) {
    Workspace ws;
    Record* slot = nullptr;
    if constexpr (std::is_same_v<Record, TestRecord>) {
        slot = &ws.test;
    } else {
        static_assert(std::is_same_v<Record, CalibrationRecord>);
        slot = &ws.calibration;
    }
    *slot = record;
    std::optional<Refusal> refusal = AcceptEdit(ws, model, messages);
    record = *slot;
    return refusal;
}

// The same for a settings dialog: the settings files its edit names are
// written where `settings` places them.
template <typename Model>
std::optional<Refusal> PressOk(Model& model, Settings& settings, Messages& messages) {
    Workspace ws;
    ws.settings = settings;
    std::optional<Refusal> refusal = AcceptEdit(ws, model, messages);
    settings = ws.settings;
    return refusal;
}

}  // namespace karnea::test
