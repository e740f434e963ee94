#include "delivery/boringdelivery.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <deque>
#include <filesystem>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/system.h"
#include "base/textfields.h"
#include "delivery/delivery.h"
#include "delivery/deliveryxml.h"

namespace karnea {
namespace {

std::string FileName(const std::string& path) {
    return PathText(PathOf(path).filename());
}

// A file of the boring delivery as elements: checked against the DTD beside
// it when it is there (said when it is not). Nothing (said) when it cannot
// be read or is not valid.
std::optional<XmlElement> ReadFileElements(const std::string& path, std::vector<std::string>& notes,
                                           std::vector<std::string>& problems) {
    const std::string name = FileName(path);
    DeliveryFile file = ReadDeliveryFile(path);
    if (file.unread || !file.dtd.root) {
        problems.push_back(FormatMessage(msg::boringFileUnread, name,
                                         file.unread.value_or(file.dtd.invalid.value_or(""))));
        return std::nullopt;
    }
    if (file.dtd.dtd.empty()) {
        notes.push_back(FormatMessage(msg::boringNoDoctype, name));
    } else if (!file.dtd.found) {
        notes.push_back(FormatMessage(msg::boringDtdMissing, name, file.dtd.dtd));
    } else if (file.dtd.invalid) {
        problems.push_back(FormatMessage(msg::boringFileUnread, name, *file.dtd.invalid));
        return std::nullopt;
    }
    return std::move(file.dtd.root);
}

// Every element of that name anywhere below `element`.
void Collect(const XmlElement& element, std::string_view name,
             std::vector<const XmlElement*>& found) {
    for (const XmlElement& c : element.children) {
        if (c.name == name) {
            found.push_back(&c);
        } else {
            Collect(c, name, found);
        }
    }
}
std::vector<const XmlElement*> Below(const XmlElement& element, std::string_view name) {
    std::vector<const XmlElement*> found;
    Collect(element, name, found);
    return found;
}

// What a boring's BED adds: the reading's method and precision, the hole's
// diameters, the pressuremeter results.
void ReadBed(const XmlElement& bed, BoringLog& log) {
    const std::vector<const XmlElement*> position = Below(bed, "経度緯度情報");
    if (!position.empty()) {
        log.method = position.front()->ChildText("取得方法コード");
        log.precision = position.front()->ChildText("読取精度コード");
    }
    for (const XmlElement* d : Below(bed, "孔径孔壁保護")) {
        if (const std::optional<double> bottom =
                ParseNumber(d->ChildText("孔径孔壁保護_下端深度"))) {
            log.diameters.push_back({*bottom, d->ChildText("孔径孔壁保護_孔径")});
        }
    }
    std::sort(log.diameters.begin(), log.diameters.end(),
              [](const auto& a, const auto& b) { return a.bottom < b.bottom; });
    for (const XmlElement* r : Below(bed, "孔内水平載荷試験")) {
        log.results.push_back({r->ChildText("孔内水平載荷試験_試験深度"),
                               r->ChildText("孔内水平載荷試験_初期圧"),
                               r->ChildText("孔内水平載荷試験_降伏圧"),
                               r->ChildText("孔内水平載荷試験_変形係数"), r->line});
    }
}

}  // namespace

BoringDelivery BoringDeliveryOf(const XmlElement& boringXml, const BedReader& bedOf,
                                std::vector<std::string>& problems) {
    BoringDelivery delivery;
    if (boringXml.name != "BORING") {
        problems.push_back(FormatMessage(msg::boringFileUnread, "BORING.XML",
                                         "BORING の管理ファイルではありません"));
        return delivery;
    }
    const XmlElement* basics = boringXml.Child("基礎情報");
    delivery.rules = basics == nullptr ? std::string() : basics->ChildText("適用要領基準");
    for (const XmlElement* b : boringXml.Children("ボーリング情報")) {
        BoringLog log;
        log.name = b->ChildText("ボーリング名");
        log.line = b->line;
        const std::string number = b->ChildText("ボーリング連番");
        const std::optional<int> n = ParseInteger(number);
        if (!n || *n < 1 || *n > 9999) {
            problems.push_back(FormatMessage(msg::boringNumberWrong, log.name, number));
            continue;
        }
        log.folder = FormatText("BRG%04d", *n);
        log.longitude = AngleIn(b, "経度");
        log.latitude = AngleIn(b, "緯度");
        log.datum = b->ChildText("測地系");
        log.elevation = b->ChildText("孔口標高");
        if (const XmlElement* data = b->Child("ボーリング交換用データ")) {
            log.bedFile = data->ChildText("ボーリング交換用データファイル名");
        }
        if (!log.bedFile.empty()) {
            if (const XmlElement* bed = bedOf(log.bedFile)) {
                ReadBed(*bed, log);
            }
        }
        delivery.borings.push_back(std::move(log));
    }
    return delivery;
}

std::optional<BoringDelivery> ReadBoringDelivery(const std::string& boringFolder,
                                                 std::vector<std::string>& problems) {
    const std::string path = boringFolder + "/BORING.XML";
    std::error_code ec;
    if (!std::filesystem::exists(PathOf(path), ec)) {
        return std::nullopt;
    }
    std::vector<std::string> notes;
    const std::optional<XmlElement> root = ReadFileElements(path, notes, problems);
    if (!root) {
        return BoringDelivery{boringFolder, {}, {}, notes};
    }
    std::deque<XmlElement> beds;
    BoringDelivery delivery = BoringDeliveryOf(
        *root,
        [&](const std::string& bedFile) -> const XmlElement* {
            const std::string bedPath = boringFolder + "/DATA/" + bedFile;
            std::error_code missing;
            if (bedFile.find_first_of("/\\") != std::string::npos ||
                !std::filesystem::exists(PathOf(bedPath), missing)) {
                return nullptr;
            }
            std::optional<XmlElement> bed = ReadFileElements(bedPath, notes, problems);
            if (!bed) {
                return nullptr;
            }
            beds.push_back(std::move(*bed));
            return &beds.back();
        },
        problems);
    delivery.folder = boringFolder;
    delivery.notes = std::move(notes);
    return delivery;
}

std::array<std::string, 3> AngleIn(const XmlElement* parent, const std::string& name) {
    // BORING.XML nests 経度_度 in 経度; a BED lists them in its 経度緯度情報.
    const XmlElement* angle = parent == nullptr ? nullptr : parent->Child(name);
    const XmlElement* from = angle != nullptr ? angle : parent;
    if (from == nullptr) {
        return {};
    }
    return {from->ChildText(name + "_度"), from->ChildText(name + "_分"),
            from->ChildText(name + "_秒")};
}

std::string BoringKey(std::string_view utf8) {
    const std::string text = ValidUtf8(utf8);
    std::string key;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += length;
        if (c >= 0xFF01 && c <= 0xFF5E) {
            c -= 0xFEE0;  // full-width ASCII
        }
        if (c == 0x3000 || (c < 0x80 && std::isspace(static_cast<int>(c)) != 0)) {
            continue;
        }
        key += c < 0x80 ? std::string(1, static_cast<char>(std::toupper(static_cast<int>(c))))
                        : Utf8Char(c);
    }
    return key;
}

const BoringLog* BoringLogOf(const BoringDelivery& delivery, const SiteBoring& boring) {
    const std::string wanted =
        BoringKey(boring.boringName.empty() ? boring.number : boring.boringName);
    for (const BoringLog& log : delivery.borings) {
        if (BoringKey(log.name) == wanted) {
            return &log;
        }
    }
    return nullptr;
}

bool SameValue(std::string_view a, std::string_view b) {
    const std::optional<double> x = ParseNumber(a);
    const std::optional<double> y = ParseNumber(b);
    if (x && y) {
        return std::fabs(*x - *y) < 0.00005;
    }
    const std::optional<Angle> p = AngleOf(a, 180);
    const std::optional<Angle> q = AngleOf(b, 180);
    if (p && q) {
        return p->degrees == q->degrees && p->minutes == q->minutes &&
               std::fabs(p->seconds - q->seconds) < 0.00005;
    }
    return TrimBlanks(a) == TrimBlanks(b);
}

std::vector<TakenItem> TakenItems(const BoringLog& log, double deepest) {
    const std::string bed = log.bedFile.empty() ? std::string("BED") : log.bedFile;
    std::string diameter;
    for (const BoringLog::Diameter& d : log.diameters) {
        if (diameter.empty() && deepest <= d.bottom + 0.0005) {
            diameter = d.diameter;
        }
    }
    const auto join = [](const std::array<std::string, 3>& parts) {
        return parts[0].empty() ? std::string() : parts[0] + " " + parts[1] + " " + parts[2];
    };
    const TakenItem all[] = {{"folder", log.folder, "BORING.XML"},
                             {"site", log.name, "BORING.XML"},
                             {"longitude", join(log.longitude), "BORING.XML"},
                             {"latitude", join(log.latitude), "BORING.XML"},
                             {"datum", log.datum, "BORING.XML"},
                             {"elevation", log.elevation, "BORING.XML"},
                             {"method", log.method, bed},
                             {"precision", log.precision, bed},
                             {"diameter", diameter, bed}};
    std::vector<TakenItem> taken;
    for (const TakenItem& t : all) {
        if (!t.value.empty()) {
            taken.push_back(t);
        }
    }
    return taken;
}

double DeepestTest(const BoreholeProfile& profile) {
    double depth = 0;
    for (const ProfileTest& t : profile.tests) {
        depth = std::max(depth, t.header == nullptr ? 0.0 : TestDepth(*t.header));
    }
    return depth;
}

SiteSheet WithBoringDelivery(const SiteSheet& sheet, const BoringDelivery& delivery,
                             const Campaign& campaign, std::vector<std::string>& problems) {
    SiteSheet merged = sheet;
    for (const BoreholeProfile& profile : campaign.boreholes) {
        const std::string number = BoringNumber(profile);
        SiteBoring& boring = merged.BoringToEdit(number);
        const BoringLog* log = BoringLogOf(delivery, boring);
        if (log == nullptr) {
            continue;
        }
        for (const TakenItem& t : TakenItems(*log, DeepestTest(profile))) {
            std::string& item = *ItemOf(boring, t.key);
            if (!TrimBlanks(item).empty() && !SameValue(item, t.value)) {
                problems.push_back(FormatMessage(
                    msg::boringDisagrees,
                    {number, ItemLabel(t.key), std::string(TrimBlanks(item)), t.value, t.file}));
            }
            item = t.value;
        }
        // The position is written as BORING.XML writes it.
        if (!log->longitude[2].empty()) {
            const auto decimals = [](const std::string& seconds) {
                const std::size_t dot = seconds.find('.');
                return dot == std::string::npos ? 0 : static_cast<int>(seconds.size() - dot - 1);
            };
            boring.secondsDecimals =
                std::max(decimals(log->longitude[2]), decimals(log->latitude[2]));
        }
    }
    return merged;
}

}  // namespace karnea
