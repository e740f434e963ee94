#include "delivery/deliverymodel.h"

#include <set>

#include "base/encoding.h"
#include "base/system.h"
#include "base/textfields.h"
#include "delivery/delivery.h"

namespace karnea {

DeliveryModel::DeliveryModel(const Campaign& campaign, SiteSheet given,
                             std::optional<BoringDelivery> borings)
    : sheet(std::move(given)), campaign_(campaign), boringDelivery_(std::move(borings)) {
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
            const bool logged = boringDelivery_ && BoringLogOf(*boringDelivery_, added) != nullptr;
            for (int n = 1; n <= 9999 && added.folder.empty() && !logged; ++n) {
                const std::string folder = FormatText("BRG%04d", n);
                if (folders.insert(folder).second) {
                    added.folder = folder;
                    proposed_[boring.number] = folder;
                }
            }
        }
        borings_.push_back(std::move(boring));
    }
}

SiteBoring& DeliveryModel::page(std::size_t boring) {
    return sheet.BoringToEdit(borings_.at(boring).number);
}

void DeliveryModel::Pair(std::size_t boring, std::string name) {
    SiteBoring& p = page(boring);
    p.boringName = std::move(name);
    const auto proposal = proposed_.find(p.number);
    if (proposal == proposed_.end()) {
        return;
    }
    const bool taken = !Taken(boring).empty();
    if (taken && p.folder == proposal->second) {
        p.folder.clear();
    } else if (!taken && p.folder.empty()) {
        p.folder = proposal->second;
    }
}

std::vector<std::string> DeliveryModel::BoringNames() const {
    std::vector<std::string> names;
    if (boringDelivery_) {
        for (const BoringLog& log : boringDelivery_->borings) {
            names.push_back(log.name);
        }
    }
    return names;
}

std::vector<TakenItem> DeliveryModel::Taken(std::size_t boring) const {
    const SiteBoring* page = sheet.Boring(borings_.at(boring).number);
    const BoringLog* log =
        boringDelivery_ && page != nullptr ? BoringLogOf(*boringDelivery_, *page) : nullptr;
    return log == nullptr ? std::vector<TakenItem>()
                          : TakenItems(*log, DeepestTest(campaign_.boreholes.at(boring)));
}

SiteSheet DeliveryModel::Completed(std::vector<std::string>& problems) const {
    return boringDelivery_ ? WithBoringDelivery(sheet, *boringDelivery_, campaign_, problems)
                           : sheet;
}

std::vector<std::string> DeliveryModel::Problems() const {
    std::vector<std::string> problems;
    const SiteSheet completed = Completed(problems);
    const std::vector<std::string> more = DeliveryProblems(campaign_, completed);
    problems.insert(problems.end(), more.begin(), more.end());
    return problems;
}

std::optional<Refusal> DeliveryModel::Check() const {
    const std::vector<std::string> problems = Problems();
    if (problems.empty()) {
        return std::nullopt;
    }
    return Refusal{JoinedLines(problems), ""};
}

}  // namespace karnea
