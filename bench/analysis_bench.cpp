// Reduction, calibration fit and analysis: each must take no more than a few
// microseconds per row.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "analysis/calibration.h"
#include "analysis/reduction.h"
#include "entry/analysisdialog.h"
#include "records/datafile.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "document/workspace.h"
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
    ws.testHeader[header::pz] = "113";
    ws.testHeader[header::pw] = "82";
    ws.testHeader[header::fitMethod] = "0";
    ws.testHeader[header::poissonRatio] = "0.3";
    FillCalibration(ws.loadedCalibrationRows);
    for (int r = 1; r <= kTestRowCount; ++r) {
        ws.testRows[r][testField::pm] = FormatText("%d", r * 5);
        for (int f = testField::vol15; f <= testField::vol120; ++f) {
            ws.testRows[r][f] = FormatText("%.1f", 50 + r * 5.5 + f);
        }
    }
    return ws;
}

void BM_ReadAndReduceFullTest(benchmark::State& state) {
    const std::string file = WriteTestFile(FullTest());
    Workspace ws;
    SilentMessages quiet;
    for (auto _ : state) {
        ClearTestRecord(ws);
        ForEachLine(file, [&](std::string_view line) {
            ReadDataLine(ws, kTestVersion, kTestKindLetter, line, quiet);
        });
        LoadTestCoefficients(ws);
        RecomputeTestRows(ws, quiet);
        benchmark::DoNotOptimize(ws.testRows[120][testField::p]);
    }
    state.SetItemsProcessed(state.iterations() * kTestRowCount);
}
BENCHMARK(BM_ReadAndReduceFullTest);

void BM_ReduceFullTest(benchmark::State& state) {
    Workspace ws = FullTest();
    SilentMessages quiet;
    for (auto _ : state) {
        RecomputeTestRows(ws, quiet);
        benchmark::DoNotOptimize(ws.testRows[120][testField::p]);
    }
    state.SetItemsProcessed(state.iterations() * kTestRowCount);
}
BENCHMARK(BM_ReduceFullTest);

void BM_FitFortyPoints(benchmark::State& state) {
    Workspace ws;
    FillCalibration(ws.calibrationRows);
    SilentMessages quiet;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FitCalibrationPolynomial(ws, false, quiet));
    }
    state.SetItemsProcessed(state.iterations() * kCalibrationRowCount);
}
BENCHMARK(BM_FitFortyPoints);

void BM_AnalyseFullTest(benchmark::State& state) {
    Workspace ws = FullTest();
    SilentMessages quiet;
    RecomputeTestRows(ws, quiet);
    ws.testHeader[header::poRow] = "20";
    ws.testHeader[header::pfRow] = "80";
    for (auto _ : state) {
        AnalysisDialogModel dialog(ws);
        dialog.UpdateLines(ws);
        Workspace copy = ws;
        dialog.Accept(copy);
        benchmark::DoNotOptimize(copy.testHeader[header::emLine]);
    }
    state.SetItemsProcessed(state.iterations() * kTestRowCount);
}
BENCHMARK(BM_AnalyseFullTest);

}  // namespace
