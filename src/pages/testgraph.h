// Page 1 of a test: the result summary box, the calculation lines and the
// pressure-volume graph with creep.
#pragma once

#include "records/records.h"

namespace karnea {

class PageComposer;

// Po', Pf', Pl and Em with their captions and units (block offset 0).
void DrawResultSummary(PageComposer& page, const TestRecord& test);

// The graph and the calculation box (block offset 63, graph font selected);
// `h` is the graph font's line height in mm.
void DrawTestGraph(PageComposer& page, const TestRecord& test, double h);

}  // namespace karnea
