#include "app/startoptions.h"

#include "base/version.h"

namespace karnea {
namespace {

constexpr const char* kUsage = "使い方: karnea [--print|/p] [ファイル]\n";

constexpr const char* kHelp =
    "\n"
    "孔内水平載荷試験の試験ファイル (*.kdw) とキャリブレーションファイル (*.kcw) を\n"
    "入力・確認・計算し、結果の図表を印刷します。ファイルを指定すると、そのファイル\n"
    "を開いて起動します。\n"
    "\n"
    "  --print ファイル, /p ファイル\n"
    "                 ファイルを既定のプリンタで印刷して終わります\n"
    "  -h, --help     この使い方を表示します\n"
    "  --version      版を表示します\n"
    "\n"
    "終了コード: 0 正常、1 ファイルを開けない・印刷できない、2 指定の誤り\n"
    "一括処理は karnea-cli で行えます。詳しくは man karnea、man karnea-cli。\n";

bool IsHelp(const std::string& a) {
    return a == "-h" || a == "--help" || a == "/?";
}

bool IsPrintSwitch(const std::string& a, const std::function<bool(const std::string&)>& exists) {
    return a == "--print" || ((a == "/p" || a == "/P") && !exists(a));
}

}  // namespace

StartOptions ParseStartOptions(const std::vector<std::string>& arguments,
                               const std::function<bool(const std::string&)>& fileExists) {
    StartOptions options;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& a : arguments) {
        if (optionsEnded || a.size() < 2 || (a[0] != '-' && a[0] != '/')) {
            files.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (IsHelp(a)) {
            options.action = StartOptions::Action::help;
            return options;
        } else if (a == "--version") {
            options.action = StartOptions::Action::version;
            return options;
        } else if (IsPrintSwitch(a, fileExists)) {
            options.print = true;
        } else if (a == "--quit-after-first-paint") {
            options.quitAfterFirstPaint = true;
        } else if (a[0] == '/') {
            // A path such as /home/... is a file.
            files.push_back(a);
        } else {
            options.action = StartOptions::Action::usageError;
            options.problem = "'" + a + "' は未知のオプションです";
            return options;
        }
    }
    if (files.size() > 1) {
        options.action = StartOptions::Action::usageError;
        options.problem = "開くファイルは一つだけ指定できます";
    } else if (options.print && files.empty()) {
        options.action = StartOptions::Action::usageError;
        options.problem = "印刷するファイルを指定してください";
    } else if (!files.empty()) {
        options.file = files.front();
    }
    return options;
}

int AnswerWithoutWindow(const StartOptions& options, std::string& out, std::string& err) {
    switch (options.action) {
        case StartOptions::Action::help:
            out += std::string(kUsage) + kHelp;
            return 0;
        case StartOptions::Action::version:
            out += "karnea " + std::string(ProgramVersion()) + "\n";
            return 0;
        case StartOptions::Action::usageError:
            err += "karnea: " + options.problem + "\n" + kUsage +
                   "詳しくは karnea --help をご覧ください。\n";
            return kStartUsageError;
        case StartOptions::Action::run:
            break;
    }
    return 0;
}

}  // namespace karnea
