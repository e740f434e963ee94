#include "delivery/deliverymodel.h"

#include <set>

#include "base/encoding.h"
#include "base/system.h"
#include "base/textfields.h"
#include "delivery/delivery.h"

namespace karnea {

DeliveryModel::DeliveryModel(const Campaign& campaign, SiteSheet given)
    : sheet(std::move(given)), campaign_(campaign) {
    std::set<std::string> folders;
    for (const SiteBoring& b : sheet.borings) {
        folders.insert(b.folder);
    }
    std::size_t next = 0;
    for (const BoreholeProfile& profile : campaign.boreholes) {
        Boring boring{BoringNumber(profile), {}};
        for (std::size_t i = 0; i < profile.tests.size(); ++i, ++next) {
            const CampaignTest& test = *campaign.tests[next];
            boring.tests.push_back(FormatText("%.2f m  ", TestDepth(test.Header())) +
                                   ReadableFileName(test));
        }
        if (sheet.Boring(boring.number) == nullptr) {
            SiteBoring& added = sheet.BoringToEdit(boring.number);
            for (int n = 1; n <= 9999 && added.folder.empty(); ++n) {
                const std::string folder = FormatText("BRG%04d", n);
                if (folders.insert(folder).second) {
                    added.folder = folder;
                }
            }
        }
        borings_.push_back(std::move(boring));
    }
}

SiteBoring& DeliveryModel::page(std::size_t boring) {
    return sheet.BoringToEdit(borings_.at(boring).number);
}

std::vector<std::string> DeliveryModel::Problems() const {
    return DeliveryProblems(campaign_, sheet);
}

std::optional<Refusal> DeliveryModel::Check() const {
    const std::vector<std::string> problems = Problems();
    if (problems.empty()) {
        return std::nullopt;
    }
    return Refusal{JoinedLines(problems), ""};
}

}  // namespace karnea
