// The electronic delivery dialog without widgets: the borings the chosen
// tests make, the site sheet as the dialog edits it (the delivery's edition,
// the client, one page of items a boring), and what still stops the
// delivery.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "delivery/boringdelivery.h"
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

    // `sheet`: what the tests' site sheet held (empty when there was none);
    // `borings`: the boring delivery in the output folder, when there is
    // one. A boring of the tests that the sheet does not list gets a page of
    // its own, with the next free folder name when the boring delivery does
    // not give it one.
    DeliveryModel(const Campaign& campaign, SiteSheet sheet,
                  std::optional<BoringDelivery> borings = std::nullopt);

    const std::vector<Boring>& borings() const { return borings_; }
    // The page of a boring of the tests.
    SiteBoring& page(std::size_t boring);
    SiteSheet sheet;

    // Pairs a boring of the tests with the boring delivery's boring of that
    // name (empty: by its number); the folder name proposed for it yields
    // to the one the boring delivery gives, and comes back when there is
    // none.
    void Pair(std::size_t boring, std::string name);
    // The boring delivery's names, to pair a boring with (empty without one).
    std::vector<std::string> BoringNames() const;
    // What a boring's page takes from the boring delivery: nothing when
    // there is none, or it lists no boring of that name.
    std::vector<TakenItem> Taken(std::size_t boring) const;
    // The sheet completed from the boring delivery, as it is delivered;
    // what contradicts it said in `problems`.
    SiteSheet Completed(std::vector<std::string>& problems) const;

    // What stops the delivery now, each in a line (UTF-8); empty when it
    // can be written.
    std::vector<std::string> Problems() const;
    // OK is refused while anything stops the delivery.
    std::optional<Refusal> Check() const;

private:
    const Campaign& campaign_;
    std::optional<BoringDelivery> boringDelivery_;
    std::vector<Boring> borings_;
    // The folder names proposed for borings the sheet did not list.
    std::map<std::string, std::string> proposed_;
};

}  // namespace karnea
