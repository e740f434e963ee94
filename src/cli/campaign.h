// The commands on many tests at once: the campaign report, the AGS export
// and the quality checks.
#pragma once

#include <ostream>

#include "cli/session.h"

namespace karnea::cli {

// campaign FILE…|DIR -o report.pdf [--png DIR]
int RunCampaign(const Arguments& args, std::ostream& out, Messages& messages);

// ags FILE…|DIR -o campaign.ags
int RunAgs(const Arguments& args, std::ostream& out, Messages& messages);

// check FILE…|DIR [--json]
int RunCheck(const Arguments& args, std::ostream& out, Messages& messages);

}  // namespace karnea::cli
