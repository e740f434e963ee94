// karnea-cli render: pages of a data file as PDF, PNG or a list of drawing
// operations.
#pragma once

#include <QGuiApplication>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/session.h"

namespace karnea::cli {

// PDF and PNG need a GUI application for the fonts; without a display the
// offscreen platform serves. Nothing when one is running already.
std::unique_ptr<QGuiApplication> StartGui();

// "1,3-4" as page numbers; nothing when the list is malformed.
std::optional<std::vector<int>> ParsePageList(const std::string& list);

// Usage problems of the render options, or nothing.
std::optional<std::string> CheckRenderOptions(const Arguments& args);

int RunRender(const Arguments& args, std::ostream& out, Messages& messages);

}  // namespace karnea::cli
