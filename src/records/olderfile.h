// Import of the version-2 data files (cf calibration, df test): ten header
// lines of comma-separated fields, then one value per line, ten lines a row,
// with pressures in kgf/cm2 that are converted with the SI coefficient.
#pragma once

#include <string_view>

#include "records/records.h"

namespace karnea {

class Messages;

// The reader of one version-2 file, fed every line (line end removed) from
// the file's first line on. Pressures are multiplied by `siCoefficient`
// (kN/m2 per kgf/cm2).
class OldFileReader {
public:
    OldFileReader(TestRecord& test, double siCoefficient);
    OldFileReader(CalibrationRecord& calibration, double siCoefficient);
    void ReadLine(std::string_view line, Messages& messages);
    // The rows that held a pressure but did not fit the table.
    int leftOut() const { return leftOut_; }

private:
    void CountLeftOut(std::string_view line);
    bool IsTest() const { return test_ != nullptr; }
    HeaderTexts& Header();
    std::string Pressure(std::string_view value) const;
    void NextLineOfGroup();

    TestRecord* test_ = nullptr;
    CalibrationRecord* calibration_ = nullptr;
    double siCoefficient_;
    bool started_ = false;
    char section_ = '\0';
    int row_ = 0;
    int line_ = 0;
    int leftOut_ = 0;
};

// Whole files: every line of `content` to a new reader. They return the
// rows that did not fit the record's table.
int ReadOldTestFile(std::string_view content, TestRecord& test, double siCoefficient,
                    Messages& messages);
int ReadOldCalibrationFile(std::string_view content, CalibrationRecord& calibration,
                           double siCoefficient, Messages& messages);

// The date of a version-2 header (text 8) split into year, month and day.
void ConvertOldDate(HeaderTexts& h);

}  // namespace karnea
