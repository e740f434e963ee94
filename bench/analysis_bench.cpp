// Reduction, calibration fit and analysis: each must take no more than a few
// microseconds per row.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "analysis/calibration.h"
#include "analysis/reduction.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "document/workspace.h"
#include "entry/analysismodel.h"
#include "records/datafile.h"
#include "settings/settings.h"

namespace {

using namespace karnea;

void FillCalibration(CalibrationRows& rows) {
    for (int r = 1; r <= kCalibrationRowCount; ++r) {
        const double v = r * 18.0;
        rows[r][calibrationField::pm] = FormatText("%g", 70 * (1 - std::exp(-v / 170)));
        rows[r][calibrationField::vm] = FormatText("%g", v);
        rows[r][calibrationField::vmCopy] = rows[r][calibrationField::vm];
    }
}

Workspace FullTest() {
    Workspace ws;
    ApplyStandardSettings(ws.settings);
    HeaderTexts& h = ws.test.testHeader;
    h[header::pz] = "113";
    h[header::pw] = "82";
    h[header::fitMethod] = "0";
    h[header::poissonRatio] = "0.3";
    FillCalibration(ws.test.loadedCalibrationRows);
    for (int r = 1; r <= kTestRowCount; ++r) {
        ws.test.testRows[r][testField::pm] = FormatText("%d", r * 5);
        for (int f = testField::vol15; f <= testField::vol120; ++f) {
            ws.test.testRows[r][f] = FormatText("%.1f", 50 + r * 5.5 + f);
        }
    }
    return ws;
}

void BM_ReadAndReduceFullTest(benchmark::State& state) {
    const std::string file = WriteTestFile(FullTest().test);
    TestRecord test;
    SilentMessages quiet;
    for (auto _ : state) {
        ClearTestRecord(test);
        ReadTestFile(file, test, quiet);
        LoadTestCoefficients(test);
        RecomputeTestRows(test, quiet);
        benchmark::DoNotOptimize(test.testRows[120][testField::p]);
    }
    state.SetItemsProcessed(state.iterations() * kTestRowCount);
}
BENCHMARK(BM_ReadAndReduceFullTest);

void BM_ReduceFullTest(benchmark::State& state) {
    Workspace ws = FullTest();
    SilentMessages quiet;
    for (auto _ : state) {
        RecomputeTestRows(ws.test, quiet);
        benchmark::DoNotOptimize(ws.test.testRows[120][testField::p]);
    }
    state.SetItemsProcessed(state.iterations() * kTestRowCount);
}
BENCHMARK(BM_ReduceFullTest);

void BM_FitFortyPoints(benchmark::State& state) {
    CalibrationRecord calibration;
    FillCalibration(calibration.calibrationRows);
    SilentMessages quiet;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FitCalibrationPolynomial(calibration, false, quiet));
    }
    state.SetItemsProcessed(state.iterations() * kCalibrationRowCount);
}
BENCHMARK(BM_FitFortyPoints);

void BM_AnalyseFullTest(benchmark::State& state) {
    Workspace ws = FullTest();
    SilentMessages quiet;
    RecomputeTestRows(ws.test, quiet);
    ws.test.testHeader[header::poRow] = "20";
    ws.test.testHeader[header::pfRow] = "80";
    for (auto _ : state) {
        AnalysisModel dialog(ws.test, ws.settings);
        dialog.UpdateLines();
        const Edit edit = dialog.Accept();
        benchmark::DoNotOptimize(edit.test->testHeader[header::emLine]);
    }
    state.SetItemsProcessed(state.iterations() * kTestRowCount);
}
BENCHMARK(BM_AnalyseFullTest);

}  // namespace
