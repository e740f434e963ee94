// Opening and saving data files: a full test (120 rows, 40 calibration rows,
// every header text) must open and save at once; a file with a 10 MB line must
// open in time proportional to its size.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "base/messages.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "records/datafile.h"

namespace {

using namespace karnea;

Workspace FullTest() {
    Workspace ws;
    ws.documentKind = DocumentKind::test;
    for (int n = 1; n <= kHeaderTextCount; ++n) {
        ws.test.testHeader[n] = "header text " + std::to_string(n);
    }
    for (int r = 1; r <= kTestRowCount; ++r) {
        for (int f = 1; f <= kTestFieldCount; ++f) {
            ws.test.testRows[r][f] = std::to_string(r * 10.25 + f);
        }
    }
    for (int r = 1; r <= kCalibrationRowCount; ++r) {
        for (int f = 1; f <= kCalibrationFieldCount; ++f) {
            ws.test.loadedCalibrationRows[r][f] = std::to_string(r * 3.5 + f);
        }
    }
    return ws;
}

std::string ScratchFile(const std::string& name, const std::string& bytes) {
    const auto path = std::filesystem::temp_directory_path() / ("karnea-bench-" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

void BM_WriteFullTest(benchmark::State& state) {
    const Workspace ws = FullTest();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteTestFile(ws.test));
    }
}
BENCHMARK(BM_WriteFullTest);

void BM_OpenFullTest(benchmark::State& state) {
    const std::string path = ScratchFile("full.kdw", WriteTestFile(FullTest().test));
    Workspace ws;
    SilentMessages quiet;
    for (auto _ : state) {
        benchmark::DoNotOptimize(OpenDataFile(ws, path, quiet));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenFullTest);

void BM_SaveFullTest(benchmark::State& state) {
    Workspace ws = FullTest();
    const std::string path = ScratchFile("save.kdw", "");
    SilentMessages quiet;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SaveDocumentAs(ws, path, quiet));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveFullTest)->Unit(benchmark::kMillisecond);

void BM_OpenLongLine(benchmark::State& state) {
    const std::size_t size = static_cast<std::size_t>(state.range(0));
    const std::string path =
        ScratchFile("long.kdw", "$$_KDVARDO300\r\n$$Z\r\n" + std::string(size, 'x') +
                                    "\r\n$$A\r\n1," + std::string(size, '2') + "\r\n");
    Workspace ws;
    SilentMessages quiet;
    for (auto _ : state) {
        benchmark::DoNotOptimize(OpenDataFile(ws, path, quiet));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 *
                            static_cast<int64_t>(size));
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenLongLine)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
