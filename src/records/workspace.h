// The program's state: the measurement records and everything else that the
// program keeps for the whole run. Owned by the application (or a command-line
// command, or a test) and passed by reference; two workspaces never share
// anything.
#pragma once

#include <string>

#include "records/datafile.h"
#include "records/records.h"

namespace karnea {

struct Workspace {
    // The test record.
    HeaderTexts testHeader;
    TestRows testRows;
    CalibrationRows loadedCalibrationRows;
    Coefficients testCoefficients{};

    // The calibration record.
    HeaderTexts calibrationHeader;
    CalibrationRows calibrationRows;
    Coefficients calibrationCoefficients{};

    // Which record the open document is (kTestDocument or kCalibrationDocument).
    int documentKind = kCalibrationDocument;

    // The files that last filled or received each record, as file system paths.
    std::string lastTestFileName;
    std::string lastCalibrationFileName;

    // State of the data file readers; see DataReaderState.
    DataReaderState testReader;
    DataReaderState calibrationReader;
};

}  // namespace karnea
