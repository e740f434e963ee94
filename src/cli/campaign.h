// The commands on many tests at once: the campaign report, the AGS export,
// the Excel workbook, the electronic delivery and the quality checks.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "cli/session.h"

namespace karnea::cli {

// campaign FILE…|DIR -o report.pdf [--png DIR]
int RunCampaign(const Arguments& args, std::ostream& out, Messages& messages);

// ags FILE…|DIR -o campaign.ags
int RunAgs(const Arguments& args, std::ostream& out, Messages& messages);

// xlsx FILE…|DIR -o OUT.xlsx
int RunXlsx(const Arguments& args, std::ostream& out, Messages& messages);

// delivery FILE…|DIR -o OUTDIR [--site FILE] [--edition 2016|2008]
int RunDelivery(const Arguments& args, std::ostream& out, Messages& messages);
// Its option values: the edition, and an output that is not a file.
std::optional<std::string> CheckDeliveryOptions(const Arguments& args);

// check FILE…|DIR [--json]
int RunCheck(const Arguments& args, std::ostream& out, Messages& messages);

}  // namespace karnea::cli
