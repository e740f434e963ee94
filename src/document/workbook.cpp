#include "document/workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/system.h"
#include "base/textfields.h"
#include "pages/depthprofile.h"
#include "records/choices.h"
#include "records/testdate.h"

namespace karnea {
namespace {

constexpr std::size_t kLongestSheetName = 31;

std::string Utf8Text(const HeaderTexts& h, int number) {
    return std::string(TrimBlanks(Cp932ToUtf8(h[number])));
}

// An Excel number format for `decimals` places ("0.00").
std::string NumberFormat(int decimals) {
    decimals = std::clamp(decimals, 0, 6);
    return decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(decimals), '0');
}

// At most `count` characters of a UTF-8 text, never cut inside one.
std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size() && n < count; ++n) {
        const auto lead = static_cast<unsigned char>(text[i]);
        i += lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    }
    return text.substr(0, std::min(i, text.size()));
}

// The workbook's formats, made once.
class Formats {
public:
    explicit Formats(lxw_workbook* book) : book_(book) {
        heading = workbook_add_format(book);
        format_set_bold(heading);
        format_set_bottom(heading, LXW_BORDER_THIN);
        date = workbook_add_format(book);
        format_set_num_format(date, "yyyy-mm-dd");
    }
    lxw_format* Number(int decimals) {
        const std::string code = NumberFormat(decimals);
        auto found = numbers_.find(code);
        if (found == numbers_.end()) {
            lxw_format* f = workbook_add_format(book_);
            format_set_num_format(f, code.c_str());
            found = numbers_.emplace(code, f).first;
        }
        return found->second;
    }
    lxw_format* heading = nullptr;
    lxw_format* date = nullptr;

private:
    lxw_workbook* book_;
    std::map<std::string, lxw_format*> numbers_;
};

class Sheet {
public:
    explicit Sheet(lxw_worksheet* sheet) : sheet_(sheet) {}
    void Text(lxw_row_t row, lxw_col_t column, const std::string& text,
              lxw_format* format = nullptr) {
        if (!text.empty()) {
            worksheet_write_string(sheet_, row, column, text.c_str(), format);
        }
    }
    void Number(lxw_row_t row, lxw_col_t column, std::optional<double> value, lxw_format* format) {
        if (value) {
            worksheet_write_number(sheet_, row, column, *value, format);
        }
    }
    // A date "yyyy-mm-dd" as a date of the sheet.
    void Date(lxw_row_t row, lxw_col_t column, const std::string& iso, lxw_format* format) {
        if (iso.size() == 10) {
            lxw_datetime d{};
            d.year = TextToInt(iso.substr(0, 4));
            d.month = TextToInt(iso.substr(5, 2));
            d.day = TextToInt(iso.substr(8, 2));
            worksheet_write_datetime(sheet_, row, column, &d, format);
        }
    }
    lxw_worksheet* get() const { return sheet_; }

private:
    lxw_worksheet* sheet_;
};

std::optional<double> Value(const std::string& text) {
    return ParseNumber(text);
}

// The four results as the result page prints them.
struct Results {
    std::optional<double> po, pf, pl, em;
};
Results ResultsOf(const HeaderTexts& h) {
    return {Value(h[header::poEffective]), Value(h[header::pfEffective]),
            PlShown(h) ? Value(h[header::plValue]) : std::nullopt, StoredModulus(h)};
}

void WriteSummary(Sheet sheet, Formats& f, const Campaign& campaign, const Settings& s,
                  const std::vector<std::string>& names) {
    const char* headings[] = {"孔番",       "深度 (m)",   "測定年月日", "測定者",
                              "土質名",     "Po (kN/m2)", "Pf (kN/m2)", "Pl (kN/m2)",
                              "Em (kN/m2)", "ファイル",   "シート"};
    for (lxw_col_t c = 0; c < std::size(headings); ++c) {
        sheet.Text(0, c, headings[c], f.heading);
    }
    worksheet_freeze_panes(sheet.get(), 1, 0);
    worksheet_set_column(sheet.get(), 0, 0, 10, nullptr);
    worksheet_set_column(sheet.get(), 1, 8, 12, nullptr);
    worksheet_set_column(sheet.get(), 9, 10, 22, nullptr);
    lxw_row_t row = 1;
    for (std::size_t i = 0; i < campaign.tests.size(); ++i, ++row) {
        const HeaderTexts& h = campaign.tests[i]->Header();
        const Results r = ResultsOf(h);
        sheet.Text(row, 0, Utf8Text(h, header::surveyNumber));
        sheet.Number(row, 1, TestDepth(h), f.Number(2));
        sheet.Date(row, 2, IsoDate(h), f.date);
        sheet.Text(row, 3, Utf8Text(h, header::engineer));
        sheet.Text(row, 4, Utf8Text(h, header::soilName));
        sheet.Number(row, 5, r.po, f.Number(s.pointDecimals));
        sheet.Number(row, 6, r.pf, f.Number(s.pointDecimals));
        sheet.Number(row, 7, r.pl, f.Number(s.pointDecimals));
        sheet.Number(row, 8, r.em, f.Number(s.emDecimals));
        sheet.Text(row, 9, ReadableFileName(*campaign.tests[i]));
        sheet.Text(row, 10, names[i]);
    }
}

void WriteTest(Sheet sheet, Formats& f, const TestRecord& t, const Settings& s) {
    const HeaderTexts& h = t.testHeader;
    const Results r = ResultsOf(h);
    worksheet_set_column(sheet.get(), 0, 0, 16, nullptr);
    worksheet_set_column(sheet.get(), 1, 9, 11, nullptr);
    // The header values, one a row.
    struct Item {
        const char* caption;
        std::string text;
        std::optional<double> number;
        int decimals;
    };
    const Item items[] = {
        {"調査件名", Utf8Text(h, header::surveyName), std::nullopt, 0},
        {"孔番", Utf8Text(h, header::surveyNumber), std::nullopt, 0},
        {"測定深度 (m)", "", TestDepth(h), 2},
        {"孔内水位 (m)", "", Value(h[header::waterLevel]), 2},
        {"測定者", Utf8Text(h, header::engineer), std::nullopt, 0},
        {"土質名", Utf8Text(h, header::soilName), std::nullopt, 0},
        {"N値", "", Value(h[header::nValue]), 0},
        {"ポアソン比", "", Value(h[header::poissonRatio]), 2},
        {"Pw (kN/m2)", "", Value(h[header::pw]), s.pwDecimals},
        {"Pz (kN/m2)", "", Value(h[header::pz]), s.pzDecimals},
        {"Po (kN/m2)", "", r.po, s.pointDecimals},
        {"Pf (kN/m2)", "", r.pf, s.pointDecimals},
        {"Pl (kN/m2)", "", r.pl, s.pointDecimals},
        {"Em (kN/m2)", "", r.em, s.emDecimals},
    };
    lxw_row_t row = 0;
    sheet.Text(row, 0, "測定年月日", f.heading);
    sheet.Date(row++, 1, IsoDate(h), f.date);
    for (const Item& item : items) {
        sheet.Text(row, 0, item.caption, f.heading);
        sheet.Text(row, 1, item.text);
        sheet.Number(row, 1, item.number, f.Number(item.decimals));
        ++row;
    }
    // The readings as the data sheet prints them.
    ++row;
    const std::string volume = s.volumeUnit == 1 ? "cm3" : "ml";
    struct Column {
        const char* caption;
        int field;
        int decimals;
        std::string unit;
    };
    const Column columns[] = {
        {"Pm", testField::pm, s.pmDecimals, "kN/m2"},
        {"V15", testField::vol15, s.volumeDecimals, volume},
        {"V30", testField::vol30, s.volumeDecimals, volume},
        {"V60", testField::vol60, s.volumeDecimals, volume},
        {"V120", testField::vol120, s.volumeDecimals, volume},
        {"Pm+Pz", testField::pmPlusPz, s.pressureDecimals, "kN/m2"},
        {"Pi", testField::pi, s.pressureDecimals, "kN/m2"},
        {"P", testField::p, s.pressureDecimals, "kN/m2"},
        {"ΔV", testField::dv, s.volumeDecimals, volume},
    };
    for (lxw_col_t c = 0; c < std::size(columns); ++c) {
        sheet.Text(row, c, columns[c].caption, f.heading);
        sheet.Text(row + 1, c, columns[c].unit, f.heading);
    }
    row += 2;
    for (int n = 1, last = CountTestRows(t.testRows, testField::pm); n <= last; ++n, ++row) {
        for (lxw_col_t c = 0; c < std::size(columns); ++c) {
            sheet.Number(row, c, Value(t.testRows[n][columns[c].field]),
                         f.Number(columns[c].decimals));
        }
    }
}

}  // namespace

std::vector<std::string> TestSheetNames(const Campaign& campaign) {
    std::vector<std::string> names;
    std::set<std::string> taken = {"一覧"};
    for (const auto& test : campaign.tests) {
        const HeaderTexts& h = test->Header();
        std::string name = Utf8Text(h, header::surveyNumber);
        name += (name.empty() ? "" : " ") + FormatText("%.2fm", TestDepth(h));
        for (char& c : name) {
            if (std::string_view("[]:*?/\\'").find(c) != std::string_view::npos) {
                c = '_';
            }
        }
        // Room kept for the number that makes a name unique.
        const std::string base = FirstCharacters(name, kLongestSheetName - 4);
        name = base;
        for (int n = 2; taken.count(name) != 0; ++n) {
            name = base + FormatText(" (%d)", n);
        }
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

bool WriteWorkbook(const Campaign& campaign, const Settings& settings, const std::string& path,
                   Messages& messages, const std::vector<TextSheet>& more) {
    for (const std::unique_ptr<CampaignTest>& test : campaign.tests) {
        const HeaderTexts& h = test->Header();
        if (const DateCheck date = CheckDate(h); !date.why.empty()) {
            messages.Show(FormatMessage(msg::workbookDateLeftOut,
                                        {ReadableFileName(*test), DateAsTyped(h), date.why}));
        }
    }
    // The library writes a file of its own, in a folder of ours; the save
    // then puts its bytes in place.
    const ScratchFolder scratch;
    if (scratch.path().empty()) {
        return false;
    }
    const std::string file = JoinPath(scratch.path(), "book.xlsx");
    const std::string& tmp = scratch.path();
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char*>(tmp.c_str());
    lxw_workbook* book = workbook_new_opt(file.c_str(), &options);
    if (book == nullptr) {
        return false;
    }
    Formats formats(book);
    const std::vector<std::string> names = TestSheetNames(campaign);
    WriteSummary(Sheet(workbook_add_worksheet(book, "一覧")), formats, campaign, settings, names);
    for (std::size_t i = 0; i < campaign.tests.size(); ++i) {
        const CampaignTest& test = *campaign.tests[i];
        if (test.ws) {
            WriteTest(Sheet(workbook_add_worksheet(book, names[i].c_str())), formats, test.ws->test,
                      settings);
        }
    }
    for (const TextSheet& extra : more) {
        Sheet sheet(workbook_add_worksheet(book, extra.name.c_str()));
        for (std::size_t c = 0; c < extra.heading.size(); ++c) {
            sheet.Text(0, static_cast<lxw_col_t>(c), extra.heading[c], formats.heading);
        }
        for (std::size_t r = 0; r < extra.rows.size(); ++r) {
            for (std::size_t c = 0; c < extra.rows[r].size(); ++c) {
                const std::string& cell = extra.rows[r][c];
                const auto row = static_cast<lxw_row_t>(r + 1);
                const auto column = static_cast<lxw_col_t>(c);
                if (const std::optional<double> number = ParseNumber(cell)) {
                    sheet.Number(row, column, number, nullptr);
                } else {
                    sheet.Text(row, column, cell, nullptr);
                }
            }
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR) {
        return false;
    }
    const std::optional<std::string> bytes = ReadWholeFile(file);
    return bytes && ReplaceFile(path, *bytes);
}

}  // namespace karnea
