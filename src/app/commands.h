// The identifiers of the program's commands: its menu items and toolbar
// buttons, with the numbers they have always had.
#pragma once

namespace karnea {

enum class Command : int {
    // ﾌｧｲﾙ
    fileNew = 57600,
    fileOpen = 57601,
    fileSave = 57603,
    fileSaveAs = 57604,
    filePrintSetup = 57606,
    filePrint = 57607,
    filePrintPreview = 57609,
    // The program's own: the document's pages as one PDF file.
    fileExportPdf = 33004,
    recentFile = 57616,
    appExit = 57665,
    // 編集
    editUndo = 57643,
    editRedo = 57644,
    // ＣＡＬ
    calibrationHeader = 32771,
    calibrationReadings = 32772,
    calibrationPage = 32784,
    // カルネア
    testHeader = 32773,
    testReadings = 32774,
    analysis = 32775,
    testPage = 32785,
    // 表示
    viewToolBar = 59392,
    viewStatusBar = 59393,
    // 設定
    styleSettings = 32776,
    lineSettings = 32777,
    engineerMaster = 32782,
    fontSettings = 32778,
    keySettings = 32787,
    setup = 32783,
    // 拡張, the program's own additions
    depthProfile = 33001,
    agsExport = 33002,
    qualityCheck = 33003,
    delivery = 33005,
    xlsxExport = 33006,
    deliveryCheck = 33007,
    // ﾍﾙﾌﾟ
    about = 57664,
    help = 57670,
    // The toolbar's page buttons.
    graphPage = 8101,
    tablePage = 8102,
};

}  // namespace karnea
