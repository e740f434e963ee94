// How many pages the current page set has.
#pragma once

namespace karnea {

struct Workspace;

// Calibration: calibration rows / 40 + 2; test: test rows / 40 + 2 (rows
// counted on Pm). Brings CurrentPage back to 1 when it lies beyond the count.
int PageCount(Workspace& ws);

// The same count without touching CurrentPage.
int PageCountOf(const Workspace& ws);

}  // namespace karnea
