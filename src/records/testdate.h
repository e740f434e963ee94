// The day a test was made, as its header keeps it: an era (令和, 平成, 昭和 or
// none for a western year), a year, a month and a day, each typed as text.
#pragma once

#include <string>

#include "records/records.h"

namespace karnea {

// The one rule of a real date, for the dialogs, the checks and the exports.
struct DateCheck {
    // "yyyy-mm-dd" in the western calendar; "" when the date is not real.
    std::string iso;
    // Why it is not ("平成は31年4月30日まで", "2月30日はありません"; UTF-8),
    // "" when it is real or nothing of it was typed.
    std::string why;
    // The header text at fault (dateEra, dateYear, dateMonth or dateDay).
    int field = 0;
};

// A date is real when each of year, month and day is a number, the era is
// known (令和 from 1 May 2019, 平成 from 8 January 1989 to 30 April 2019,
// 昭和 from 25 December 1926 to 7 January 1989, none for a western year),
// its month has the day, the day lies within its era, and the year is
// between 1900 and 2100 once the era is applied.
DateCheck CheckDate(const HeaderTexts& header);

// The date as "yyyy-mm-dd", or "" when the header holds no real date.
std::string IsoDate(const HeaderTexts& header);

// Whether any of the date's fields holds a text, so that a date that is not
// real can be told from one that was never typed.
bool DateTyped(const HeaderTexts& header);

// The date's texts as typed, for messages ("令和 9 年 2 月 30 日", UTF-8).
std::string DateAsTyped(const HeaderTexts& header);

// The years an era (CP932, as the header keeps it) holds, as the year box
// says them ("平成は元年(1989年)1月8日から31年(2019年)4月30日まで"; UTF-8),
// or `brief`ly ("平成 元年～31年"); "" for an era that is not known.
std::string EraYears(const std::string& era, bool brief = false);

}  // namespace karnea
