#include "pages/pagecount.h"

#include "records/records.h"
#include "document/workspace.h"

namespace karnea {

int PageCountOf(const Workspace& ws) {
    const int rows = ws.documentKind == kCalibrationDocument
                         ? CountCalibrationRows(ws, calibrationField::pm)
                         : CountTestRows(ws, testField::pm);
    return rows / 40 + 2;
}

int PageCount(Workspace& ws) {
    const int count = PageCountOf(ws);
    if (ws.CurrentPage > count) {
        ws.CurrentPage = 1;
    }
    return count;
}

}  // namespace karnea
