#include "records/testdate.h"

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"

namespace karnea {
namespace {

// An era, from its first day to its last (as yyyymmdd; 0 while it lasts).
struct Era {
    const char* name;
    int offset;  // western year = era year + offset
    long long first;
    long long last;
};
constexpr Era kEras[] = {{"令和", 2018, 20190501, 0},
                         {"平成", 1988, 19890108, 20190430},
                         {"昭和", 1925, 19261225, 19890107}};

constexpr long long kEarliestYear = 1900;
constexpr long long kLatestYear = 2100;

bool LeapYear(long long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysIn(long long year, int month) {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && LeapYear(year) ? 29 : days[month - 1];
}

const Era* EraNamed(const std::string& name) {
    for (const Era& e : kEras) {
        if (name == Sjis(e.name)) {
            return &e;
        }
    }
    return nullptr;
}

// A day of an era as its people write it: "31年4月30日", "元年5月1日".
std::string EraDay(const Era& era, long long yyyymmdd, bool western = false) {
    const long long year = yyyymmdd / 10000;
    const long long eraYear = year - era.offset;
    std::string text = eraYear == 1 ? "元年" : std::to_string(eraYear) + "年";
    if (western) {
        text += "(" + std::to_string(year) + "年)";
    }
    return text + std::to_string(yyyymmdd / 100 % 100) + "月" + std::to_string(yyyymmdd % 100) +
           "日";
}

}  // namespace

DateCheck CheckDate(const HeaderTexts& h) {
    DateCheck check;
    const auto refuse = [&check](int field, std::string why) {
        check.field = field;
        check.why = std::move(why);
        return check;
    };
    if (!DateTyped(h)) {
        return check;
    }
    for (const int n : {header::dateYear, header::dateMonth, header::dateDay}) {
        if (!IsNumber(h[n])) {
            return refuse(n, std::string(msg::dateIncomplete));
        }
    }
    const std::string& eraText = h[header::dateEra];
    const Era* era = EraNamed(eraText);
    if (!eraText.empty() && era == nullptr) {
        return refuse(header::dateEra, FormatMessage(msg::dateEraUnknown, Cp932ToUtf8(eraText)));
    }
    // Taken wide: a year near the limit of int plus an era stays a number.
    const long long typedYear = TextToInt(h[header::dateYear]);
    const long long year = typedYear + (era != nullptr ? era->offset : 0);
    const int month = TextToInt(h[header::dateMonth]);
    const int day = TextToInt(h[header::dateDay]);
    if (month < 1 || month > 12) {
        return refuse(header::dateMonth, FormatMessage(msg::dateNoMonth, std::to_string(month)));
    }
    if (day < 1 || day > DaysIn(year, month)) {
        if (month == 2 && day == 29) {
            const std::string named = era != nullptr ? std::string(era->name) : std::string();
            return refuse(header::dateDay,
                          FormatMessage(msg::dateNoLeapDay, named + std::to_string(typedYear)));
        }
        return refuse(header::dateDay,
                      FormatMessage(msg::dateNoDay, std::to_string(month), std::to_string(day)));
    }
    // A day outside its era (平成 31 ends on 30 April 2019, 令和 begins the
    // next day) is none.
    const long long date = year * 10000 + month * 100 + day;
    if (era != nullptr && date < era->first) {
        return refuse(header::dateYear,
                      FormatMessage(msg::dateBeforeEra, era->name, EraDay(*era, era->first)));
    }
    if (era != nullptr && era->last != 0 && date > era->last) {
        return refuse(header::dateYear,
                      FormatMessage(msg::dateAfterEra, era->name, EraDay(*era, era->last)));
    }
    if (year < kEarliestYear || year > kLatestYear) {
        return refuse(header::dateYear, std::string(msg::dateYearRange));
    }
    check.iso = FormatText("%04lld-%02d-%02d", year, month, day);
    return check;
}

std::string IsoDate(const HeaderTexts& h) {
    return CheckDate(h).iso;
}

bool DateTyped(const HeaderTexts& h) {
    for (const int n : {header::dateEra, header::dateYear, header::dateMonth, header::dateDay}) {
        if (!h[n].empty()) {
            return true;
        }
    }
    return false;
}

std::string DateAsTyped(const HeaderTexts& h) {
    const auto part = [&](int n) { return Cp932ToUtf8(h[n]); };
    std::string era = part(header::dateEra);
    return (era.empty() ? "" : era + " ") + part(header::dateYear) + " 年 " +
           part(header::dateMonth) + " 月 " + part(header::dateDay) + " 日";
}

std::string EraYears(const std::string& eraText, bool brief) {
    if (eraText.empty()) {
        return std::string(msg::westernYears);
    }
    const Era* era = EraNamed(eraText);
    if (era == nullptr) {
        return {};
    }
    if (brief) {
        const std::string last =
            era->last == 0 ? "" : std::to_string(era->last / 10000 - era->offset) + "年";
        return std::string(era->name) + " 元年～" + last;
    }
    const std::string from =
        std::string(era->name) + "は" + EraDay(*era, era->first, true) + "から";
    return era->last == 0 ? from : from + EraDay(*era, era->last, true) + "まで";
}

}  // namespace karnea
