// The day a test was made, as its header keeps it: an era (令和, 平成, 昭和 or
// none for a western year), a year, a month and a day, each typed as text.
#pragma once

#include <string>

#include "records/records.h"

namespace karnea {

// The date as "yyyy-mm-dd" in the western calendar, or "" when the header
// holds no real date: a field missing or not a number, an era not known, a
// day outside its era (令和 from 1 May 2019, 平成 from 8 January 1989 to 30
// April 2019, 昭和 from 25 December 1926 to 7 January 1989), a year before
// 1900 or after 2100 once the era is applied, or a day its month does not
// have.
std::string IsoDate(const HeaderTexts& header);

// Whether any of the date's fields holds a text, so that a date that is not
// real can be told from one that was never typed.
bool DateTyped(const HeaderTexts& header);

// The date's texts as typed, for messages ("令和 9 年 2 月 30 日", UTF-8).
std::string DateAsTyped(const HeaderTexts& header);

}  // namespace karnea
