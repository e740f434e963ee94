// The electronic delivery dialog without widgets: the borings the chosen
// tests make, the site sheet as the dialog edits it (the delivery's edition,
// the client, one page of items a boring), and what still stops the
// delivery.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "delivery/sitesheet.h"
#include "document/campaign.h"
#include "entry/entrytexts.h"

namespace karnea {

class DeliveryModel {
public:
    // A boring of the tests, and its tests as the list shows them
    // ("3.50 m  B-1_03.5.kdw", UTF-8).
    struct Boring {
        std::string number;
        std::vector<std::string> tests;
    };

    // `sheet`: what the tests' site sheet held (empty when there was none).
    // A boring of the tests that the sheet does not list gets a page of its
    // own with the next free folder name.
    DeliveryModel(const Campaign& campaign, SiteSheet sheet);

    const std::vector<Boring>& borings() const { return borings_; }
    // The page of a boring of the tests.
    SiteBoring& page(std::size_t boring);
    SiteSheet sheet;

    // What stops the delivery now, each in a line (UTF-8); empty when it
    // can be written.
    std::vector<std::string> Problems() const;
    // OK is refused while anything stops the delivery.
    std::optional<Refusal> Check() const;

private:
    const Campaign& campaign_;
    std::vector<Boring> borings_;
};

}  // namespace karnea
