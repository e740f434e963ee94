#include "pages/pagecount.h"

#include "records/records.h"
#include "records/workspace.h"

namespace karnea {

int PageCount(Workspace& ws) {
    const int rows = ws.documentKind == kCalibrationDocument
                         ? CountCalibrationRows(ws, calibrationField::pm)
                         : CountTestRows(ws, testField::pm);
    const int count = rows / 40 + 2;
    if (ws.CurrentPage > count) {
        ws.CurrentPage = 1;
    }
    return count;
}

}  // namespace karnea
