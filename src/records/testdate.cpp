#include "records/testdate.h"

#include "base/encoding.h"
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

}  // namespace

std::string IsoDate(const HeaderTexts& h) {
    if (!IsNumber(h[header::dateYear]) || !IsNumber(h[header::dateMonth]) ||
        !IsNumber(h[header::dateDay])) {
        return {};
    }
    // Taken wide: a year near the limit of int plus an era stays a number.
    long long year = TextToInt(h[header::dateYear]);
    const std::string& era = h[header::dateEra];
    const Era* found = nullptr;
    if (!era.empty()) {
        for (const Era& e : kEras) {
            if (era == Sjis(e.name)) {
                found = &e;
            }
        }
        if (found == nullptr || year < 1 || year > kLatestYear) {
            return {};
        }
        year += found->offset;
    }
    const int month = TextToInt(h[header::dateMonth]);
    const int day = TextToInt(h[header::dateDay]);
    if (year < kEarliestYear || year > kLatestYear || month < 1 || month > 12 || day < 1 ||
        day > DaysIn(year, month)) {
        return {};
    }
    // A day outside its era (平成 31 ends on 30 April 2019, 令和 begins the
    // next day) is none.
    const long long date = year * 10000 + month * 100 + day;
    if (found != nullptr && (date < found->first || (found->last != 0 && date > found->last))) {
        return {};
    }
    return FormatText("%04lld-%02d-%02d", year, month, day);
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

}  // namespace karnea
