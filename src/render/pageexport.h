// Pages of the open document as PDF and PNG files, on A4 portrait with the
// device origin at the paper's top-left corner.
#pragma once

#include <string>
#include <vector>

namespace karnea {

struct Workspace;
class Messages;

// One PDF of the given pages. False when the file cannot be written.
bool ExportPdf(Workspace& ws, const std::vector<int>& pages, const std::string& path, int dpi,
               Messages& messages);

// One PNG of one page. False when the file cannot be written.
bool ExportPng(Workspace& ws, int page, const std::string& path, int dpi, Messages& messages);

}  // namespace karnea
