// The program's state: the measurement records and everything else that the
// program keeps for the whole run. Owned by the application (or a command-line
// command, or a test) and passed by reference; two workspaces never share
// anything.
#pragma once

#include <string>

#include "records/datafile.h"
#include "records/olderfile.h"
#include "records/records.h"
#include "settings/settings.h"

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
    OldReaderState oldTestReader;
    OldReaderState oldCalibrationReader;

    // The program-wide settings.
    Settings settings;

    // The page view: the page shown (from 1), the kind drawn last, whether a
    // page is being drawn for the printer, and the default printer's paper.
    int CurrentPage = 1;
    int lastDrawnKind = kCalibrationDocument;
    int PrintingNow = 0;
    int PaperWidthMm = 280;
    int PaperHeightMm = 280;
};

}  // namespace karnea
