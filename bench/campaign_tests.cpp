// Writes the tests of the campaign benchmark: ten (or COUNT) tests of 120
// readings, five a borehole at depths 2 m apart, each reduced and analysed,
// saved with the program's own writer.
//   karnea-campaign-tests DIR [COUNT]
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "document/documentfile.h"
#include "entry/analysismodel.h"
#include "testrecords.h"

int main(int argc, char** argv) {
    using namespace karnea;
    const int count = argc == 3 ? std::atoi(argv[2]) : 10;
    if (argc < 2 || argc > 3 || count < 1) {
        std::fprintf(stderr, "usage: karnea-campaign-tests DIR [COUNT]\n");
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    SilentMessages quiet;
    for (int i = 0; i < count; ++i) {
        Workspace ws = bench::FullExampleTest();
        HeaderTexts& h = ws.test.testHeader;
        h[header::surveyNumber] = FormatText("B-%d", i / 5 + 1);
        h[header::depth] = FormatText("-%d.50", 2 + 2 * (i % 5));
        h[header::poRow] = "10";
        h[header::pfRow] = "60";
        h[header::plRow] = "110";
        AnalysisModel analysis(ws.test, ws.settings);
        analysis.UpdateLines();
        ws.test = *analysis.Accept().test;
        const std::string path = std::string(argv[1]) + FormatText("/test%04d.kdw", i + 1);
        if (!SaveDocumentAs(ws, path, quiet)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
