// Every message the program shows the user, in one place: the texts of its
// message boxes and questions, exactly as the program has always worded them
// (UTF-8 here; the message interface shows them as they are). "%1" stands for
// the argument that FormatMessage puts in.
#pragma once

#include <string_view>

namespace karnea::msg {

// Data files.
inline constexpr std::string_view tooManyCsv = "too many csv";
inline constexpr std::string_view fileNotFound = "ファイルが見つかりません\n( %1 )";
inline constexpr std::string_view notDataFile = "カルネアのデータではありません";
inline constexpr std::string_view oldVersionUseOpen =
    "旧バージョンファイルは「開く」で読み込んで下さい」";
inline constexpr std::string_view badExtension = "拡張子を KCW(kcw) または KDW(kdw)にして下さい";
inline constexpr std::string_view cannotSave = "保存できませんでした";
// Memory ran out: the program ends at once.
inline constexpr std::string_view outOfMemory = "メモリが足りません";
// A save that failed, with the file and why ("%2" of WhyNotWritten).
inline constexpr std::string_view cannotSaveFile = "保存できませんでした\n( %1 )\n%2";
// Why a name gives nothing to read ("%1" of cannotOpen, with the path as "%2").
inline constexpr std::string_view cannotOpen = "%1\n( %2 )";
inline constexpr std::string_view linkLoops = "リンクが循環しています";
inline constexpr std::string_view linkLeadsNowhere = "リンク先がありません";
inline constexpr std::string_view folderUnreadable =
    "フォルダを読めません（アクセス権がありません）";
inline constexpr std::string_view folderNotFile = "ファイルではなくフォルダです";
inline constexpr std::string_view notPlainFile = "通常のファイルではありません（パイプや装置など）";
inline constexpr std::string_view fileUnreadable = "ファイルを読めません（アクセス権がありません）";
// A save in place that was killed: its copy of the previous content.
inline constexpr std::string_view interruptedSave =
    "前回の保存が中断されました。\n%1 は保存の途中で終わっているかもしれません。"
    "保存前の内容が次のファイルに残っています。\n%2\n保存前の内容に戻しますか?";
inline constexpr std::string_view interruptedSaveKept =
    "前回の保存が中断されました。\n%1 の保存前の内容は次のファイルに残してあります。\n%2";
// An export written in place whose last write was killed: it is made anew.
inline constexpr std::string_view interruptedExport =
    "前回の書き出しが途中で終わっていました。作り直します\n( %1 )";
// A data file that ends before its last section or inside a line.
inline constexpr std::string_view fileCut = "ファイルが途中で切れています\n( %1 )";
inline constexpr std::string_view openCutFile =
    "ファイルが途中で切れています\n( %1 )\n読めたところまで開きますか?";
// Beyond the largest data file (64 MB).
inline constexpr std::string_view dataFileTooLarge =
    "ファイルが大きすぎるため読み込めません（データファイルは 64 MB まで）\n( %1 )";
inline constexpr std::string_view recordTooLarge =
    "データが大きすぎるため保存できません（データファイルは 64 MB まで）。"
    "見出しに長い文字がないか確かめて下さい";
// A text that the file layout cannot hold; the save is refused.
inline constexpr std::string_view unsafeHeaderText =
    "見出しの %1 に「$$」または改行が含まれているため保存できません";
inline constexpr std::string_view unsafeRowText =
    "データの %1 に「$$」、「\"」または改行が含まれているため保存できません";
// A row whose line would be longer than the reader takes.
inline constexpr std::string_view rowLineTooLong =
    "データの %1 が長すぎるため保存できません（1 行 2600 バイトまで）";
// Rows the writer would stop before; the save is refused.
inline constexpr std::string_view rowsAfterStop =
    "データの %1 は圧力が数値でないため、そこから後の行が保存されません。\n"
    "データの画面で確かめて下さい（OK で空の行は詰められます）";
// Rows of a file beyond the tables (120 readings, 40 calibration rows).
inline constexpr std::string_view rowsLeftOut =
    "表に入りきらない %1 行は読み込みませんでした（測定データは 120 行、"
    "キャリブレーションデータは 40 行まで）";
inline constexpr std::string_view saveWithoutLeftOutRows =
    "%1 には読み込まなかった %2 行があります。上書きするとその行は失われます。\n"
    "保存しますか?";
// Save over a file that another program changed since it was opened.
inline constexpr std::string_view changedOnDisk =
    "%1 は開いた後に他のプログラムで変更されています。上書きしますか?";
// Save As: a name that gets its extension after the dialog, over a file.
inline constexpr std::string_view replaceExisting = "%1 は既に存在します。\n上書きしますか?";
// Saving over a data file of the other kind.
inline constexpr std::string_view overwriteTestFile =
    "%1 はカルネアの試験データです。キャリブレーションデータで上書きしますか?";
inline constexpr std::string_view overwriteCalibrationFile =
    "%1 はキャリブレーションデータです。カルネアの試験データで上書きしますか?";

// Settings.
inline constexpr std::string_view installationNotWritten =
    "設定ファイルを作れませんでした。標準の設定で続けます（次の起動で作り直します）\n( %1 )";
inline constexpr std::string_view installationCompleted =
    "足りなかった設定ファイルを作りました: %1\n( %2 )";
inline constexpr std::string_view settingsFileUnreadable =
    "設定ファイルを読めないため、変更を保存しません（元に戻せなくなるため）\n( %1 )";
inline constexpr std::string_view settingsReplaced =
    "設定ファイルの次の値は使えないため置き換えました\n( %1 )";
inline constexpr std::string_view folderMemoryNotSaved =
    "最後に開いたフォルダを記録できませんでした\n( %1 )";
inline constexpr std::string_view unsafeSettingText =
    "設定の %1 に改行が含まれているため保存できません";

// Calibration and reduction.
inline constexpr std::string_view tooFewPoints = "高次回帰はデータ数不足で計算できません";
inline constexpr std::string_view calibrationBad = "CALのデータが異常です";

// Test header.
inline constexpr std::string_view valueBad = "数値が異常です";
inline constexpr std::string_view waterLevelBad = "水位が異常です";
inline constexpr std::string_view notCalibrationFile =
    "Ver.3 のキャリブレーションファイルではありません";

// Analysis.
inline constexpr std::string_view vStepRefused =
    "V のきざみは 0.1 から 10000 までの数値を入力して下さい";
// Why the modulus Em could not be computed.
inline constexpr std::string_view emNoRows = "有効な段階がないため Em を計算できません";
inline constexpr std::string_view emNoPoints =
    "Po と Pf の行が有効な段階の中にないため Em を計算できません";
inline constexpr std::string_view emNoVolume =
    "Po または Pf の行の体積が 0.001 以下のため Em を計算できません";
inline constexpr std::string_view emNoDv = "dV が 0 のため Em を計算できません";
inline constexpr std::string_view emNoDp = "dP が 0 のため Em を計算できません";
inline constexpr std::string_view emNoK = "補正後の dV/dP − a が 0 以下のため Em を計算できません";
inline constexpr std::string_view emNotFinite =
    "Em が有限の値になりません (V0 とポアソン比を確かめて下さい)";

// The readings grid and its dialogs.
inline constexpr std::string_view rowsFull = "最大行数です. 追加できません.";
inline constexpr std::string_view cannotAdd = "追加できません.";
inline constexpr std::string_view entriesMissing = "データが無い、または不十分です.";
// Copy and paste in the readings list ("%1" the row, "%2" the column's
// title, "%3" why).
inline constexpr std::string_view pastedCellRefused = "%1 行目 %2: %3";
inline constexpr std::string_view pastedEntryRefused = "%1: %2";
// Why a test date is not real (the header dialogs refuse it on OK).
inline constexpr std::string_view dateNotReal = "測定年月日が暦にない日付です（%1）";
inline constexpr std::string_view dateIncomplete = "年、月、日をすべて数字で入れて下さい";
inline constexpr std::string_view dateEraUnknown =
    "元号 %1 は使えません。令和、平成、昭和、西暦なら空欄です";
inline constexpr std::string_view dateNoMonth = "%1月はありません";
inline constexpr std::string_view dateNoDay = "%1月%2日はありません";
inline constexpr std::string_view dateNoLeapDay = "%1年に2月29日はありません";
inline constexpr std::string_view dateBeforeEra = "%1は%2から";
inline constexpr std::string_view dateAfterEra = "%1は%2まで";
inline constexpr std::string_view dateYearRange = "西暦1900年から2100年までの日付にして下さい";
inline constexpr std::string_view westernYears = "西暦 1900～2100年";
// The workbook of a campaign ("%1" the file, "%2" the date as typed,
// "%3" why).
inline constexpr std::string_view workbookDateLeftOut =
    "%1: 測定年月日 %2 は暦にない日付のため空欄にしました（%3）";
// An export written ("%1" its path as the system writes it).
inline constexpr std::string_view exportWritten = "%1 に書き出しました";
// The boring delivery beside the tests ("%1" a file).
inline constexpr std::string_view boringFileUnread = "%1 を読めません: %2";
inline constexpr std::string_view boringDtdMissing =
    "%1: DTD %2 が同じフォルダにないため、DTD による検証をしていません";
inline constexpr std::string_view boringNoDoctype =
    "%1: DOCTYPE がないため、DTD による検証をしていません";
inline constexpr std::string_view boringNumberWrong =
    "BORING.XML: ボーリング %1 のボーリング連番「%2」が異常です";
inline constexpr std::string_view boringDisagrees =
    "%1: %2 が現場シート (delivery.ini) では %3、%5 では %4 です";
inline constexpr std::string_view boringDeliveryMissing = "%1 に BORING.XML がありません";
inline constexpr std::string_view boringValuesToType =
    "ボーリング柱状図 (ボーリング交換用データ) に入力する値:";
// A check of a whole delivery ("%1" the BORING folder).
inline constexpr std::string_view deliveryCheckSummary =
    "電子納品チェック %1: ファイル %2、エラー %3、注意 %4";
inline constexpr std::string_view deliveryCheckNotFolder = "%1 は電子納品のフォルダではありません";
// OK with a row typed into the entry fields and not added.
inline constexpr std::string_view addTypedEntries = "入力中のデータを追加しますか?";
// A block too large: "%1" rows, "%2" columns, pasted from row "%3" and the
// column titled "%4", into a table of "%5" rows whose last typed column is
// "%6"; the entry fields likewise.
inline constexpr std::string_view pasteDoesNotFit =
    "貼り付ける %1 行 %2 列が表に収まりません（貼り付けは %3 行目の %4 列から。表は %5 行、%6 "
    "列まで）";
inline constexpr std::string_view pasteDoesNotFitEntries =
    "貼り付ける %1 列が入力欄に収まりません（貼り付けは %2 の欄から。入力欄は %3 まで）";
inline constexpr std::string_view sameDataExists =
    "同じ %1データがあります.\n修正なら上書きしてください.";
inline constexpr std::string_view noSameData = "上書きできません、同じ %1 がありません.";
inline constexpr std::string_view overwriteRowOutOfRange = "上書きできません. 指定行が範囲外です.";
inline constexpr std::string_view cannotOverwrite = "上書きできません.";
inline constexpr std::string_view pressureWord = "圧力";
inline constexpr std::string_view cancelAfterChanges =
    "データが変更されましたが、キャンセルしてよいのですか？";
inline constexpr std::string_view duplicatePressures = "同じ圧力があります";
inline constexpr std::string_view scaleBad = "目盛りが異常です";

// What a box refuses as it is typed.
inline constexpr std::string_view characterRefused = "使用できない文字です: %1";
inline constexpr std::string_view cellTooLong = "長すぎます（%1 バイトまで）";

// The engineer name master; followed by cannotSave.
inline constexpr std::string_view masterNotSaved = "マスタファイルは\n";

// The settings dialogs.
inline constexpr std::string_view integerOutOfRange = "%1 から %2 までの整数を入力して下さい";
inline constexpr std::string_view numberOutOfRange = "%1 から %2 までの数値を入力して下さい";
inline constexpr std::string_view marginOffPaper =
    "マージンは %1 から %2 mm までの整数にして下さい（それより大きいと図が A4 "
    "の用紙からはみ出します）";
inline constexpr std::string_view colourRefused =
    "色は 0x000000 から 0xffffff までの値を入力して下さい";
inline constexpr std::string_view noDataGiven = "データがありません";
inline constexpr std::string_view driveBad = "ドライブ名が異常です";
inline constexpr std::string_view folderBad = "フォルダ名またはドライブ名が異常です";
inline constexpr std::string_view footerOutside =
    "フッタ表示位置が用紙外の可能性があります \n( %1 mm)";

// The document.
inline constexpr std::string_view saveChanges = "%1 への変更を保存しますか?";

// Pages, printing and help.
inline constexpr std::string_view cannotCreateFont = "Can't create font";
inline constexpr std::string_view deviceError = "ハードウェア、デバイスエラー";
inline constexpr std::string_view cannotStartPrint = "印刷ｼﾞｮﾌﾞを開始できませんでした。";
inline constexpr std::string_view noPrinter =
    "印刷ｼﾞｮﾌﾞを開始できませんでした。\n使えるプリンタがありません。"
    "PDF ファイルには ﾌｧｲﾙ › PDF出力 で出力できます";
inline constexpr std::string_view cannotRun = "実行できませんでした";

// Save As under the other kind's extension, over an existing file.
inline constexpr std::string_view calibrationRecordOverFile =
    "%1 は既に存在します。kcw の名前には、開いている試験ではなく"
    "キャリブレーションデータ（%2 行）が書かれます。\n上書きしますか?";
inline constexpr std::string_view testRecordOverFile =
    "%1 は既に存在します。kdw の名前には、開いているキャリブレーションではなく"
    "試験データ（測定データ %2 行）が書かれます。\n上書きしますか?";

// The command-line tool.
inline constexpr std::string_view pageMissing = "ページ %1 はありません";
inline constexpr std::string_view drawingOffPaper =
    "マージン (左 %1 mm、上 %2 mm) のため図がすべて用紙の外になります。"
    "線種/係数/マージンの設定を確かめて下さい";
inline constexpr std::string_view pngFolderUnusable =
    "PNG の出力先 %1 はフォルダではないか、書き込めません";
inline constexpr std::string_view pngNeedsPageNumber =
    "PNG の出力名に %d を入れて下さい（複数ページ）";

// The extensions: campaign report, AGS export, quality checks.
inline constexpr std::string_view fileSkipped = "%1 (読めないため除きました)";
inline constexpr std::string_view moreSkipped = "ほかに %1 件を除きました";
inline constexpr std::string_view noTestRead = "読める試験がありません";
inline constexpr std::string_view fileChangedMeanwhile =
    "%1 は読み込んだ後に変わったか無くなったため、そのページを除きました";
inline constexpr std::string_view noRomaji =
    "日本語の文字をローマ字にできないため ? で書きました (kakasi が見つかりません)";
inline constexpr std::string_view romajiTooSlow =
    "日本語の文字をローマ字にできないため ? で書きました (kakasi が時間内に終わりませんでした)";
inline constexpr std::string_view romajiExited =
    "日本語の文字をローマ字にできないため ? で書きました (kakasi が終了コード %1 で終わりました)";
inline constexpr std::string_view romajiSignalled =
    "日本語の文字をローマ字にできないため ? で書きました (kakasi がシグナル %1 で終わりました)";
inline constexpr std::string_view romajiTooMuch =
    "日本語の文字をローマ字にできないため ? で書きました "
    "(kakasi が入力に見合わないほど多く書き出したため止めました)";
inline constexpr std::string_view romajiWrongLines =
    "日本語の文字をローマ字にできないため ? で書きました (kakasi の出力の行数が入力と合いません)";
inline constexpr std::string_view qualityNeedsTest = "品質チェックは試験のデータを開いて行います";
inline constexpr std::string_view outputOverData =
    "%1 はデータファイルです。報告書や出力では上書きしません";
inline constexpr std::string_view outputNamedAsData =
    "%1 はデータファイルの名前です（kdw、kcw、df、cf）。報告書や出力には別の名前を付けて下さい";

// The electronic delivery and its site sheet ("%1" the boring's number, "%2"
// the sheet's key).
inline constexpr std::string_view siteSheetMissing =
    "現場シート %1 を読めません（電子納品出力で作るか、手で書いて下さい）";
inline constexpr std::string_view siteSheetUnreadable = "現場シート %1 を読めません: %2";
inline constexpr std::string_view siteSheetTooLarge =
    "%1 KB あり、現場シートとしては大きすぎます（64 KB まで）";
inline constexpr std::string_view siteSheetNotSaved =
    "現場シート %1 を保存できませんでした: %2\n"
    "はい: 保存せずに電子納品を続けます\nいいえ: 別の場所に保存します\nキャンセル: 入力に戻ります";
inline constexpr std::string_view siteSheetNotWritten =
    "電子納品は出力しましたが、現場シート %1 "
    "に納品した試験を記録できませんでした。次の納品では試験に"
    "新しい名前が付くことがあります";
inline constexpr std::string_view siteValueWrong = "%1: %2 の値が異常です（%3）";
inline constexpr std::string_view siteOutsideJapan =
    "%1: %2 %3 は日本の範囲（%4～%5 度）にありません";
inline constexpr std::string_view siteValueMissing = "%1: %2 がありません";
inline constexpr std::string_view siteBoringMissing =
    "%1: 現場シートにこのボーリングの項目がありません";
inline constexpr std::string_view siteLineUnread = "delivery.ini %1 行目を読めません";
inline constexpr std::string_view siteFolderTwice = "%1: フォルダ名 %2 は他のボーリングと同じです";
inline constexpr std::string_view deliveryNoNumber = "%1: 孔番がないため電子納品に入れられません";
inline constexpr std::string_view deliveryNoDate =
    "%1: 測定年月日 %2 は実在する日付ではありません（%3）";
inline constexpr std::string_view deliveryNoClient = "発注機関名称がありません";
inline constexpr std::string_view deliveryTextMissing = "%1: %2 がありません";
inline constexpr std::string_view deliveryNoReadings = "%1: 測定データがありません";
inline constexpr std::string_view deliveryFull =
    "%1: TS000001 から TS000999 までの名前がすべて使われています";
inline constexpr std::string_view deliveryNumberTwice =
    "孔番 %1 の試験が二つの調査にあります（%2）。一つの納品には一つの調査を入れて下さい";
inline constexpr std::string_view deliveryReplaced = "Shift_JIS にない文字を置き換えました: %1";
inline constexpr std::string_view deliveryInvalid =
    "%1 が DTD に合いません。出力を中止しました\n%2";
inline constexpr std::string_view deliveryExistingUnread =
    "既存の %1 を読めないため、電子納品を出力しません\n%2";
inline constexpr std::string_view deliveryEditionDiffers =
    "既存の GRNDTST.XML は %1 の要領です。同じ要領 (%2) で出力して下さい";
inline constexpr std::string_view deliveryTestsTwice = "%1: 深度 %2 m の試験が二つあります（%3）";
inline constexpr std::string_view deliverySummary =
    "電子納品: ボーリング %1、試験 %2、ファイル %3 (置き換え %4)";
inline constexpr std::string_view deliveryKept =
    "データファイルが見当たらない納品済みの試験はそのまま残しました: %1";
inline constexpr std::string_view deliveryExistingTooLarge =
    "%1 MB あり、管理ファイルとしては大きすぎます（64 MB まで）";
inline constexpr std::string_view deliveryExistingNoRules = "適用要領基準が書かれていません";
inline constexpr std::string_view deliveryPositionDiffers =
    "%1: %2 は既存の GRNDTST.XML では %3 です。現場シートの %4 とは違います。ボーリングの位置は一つ"
    "なので、どちらかに合わせて下さい";
inline constexpr std::string_view deliveryNoPdf = "%1: 電子データシート (PDF) を作れませんでした";
inline constexpr std::string_view deliveryNotWritten =
    "電子納品を %1 に保存できませんでした: %2。フォルダは前のままです";
inline constexpr std::string_view deliveryCompleted =
    "前回中断した電子納品 (%1) を最後まで書き込みました";
inline constexpr std::string_view deliveryUndone =
    "前回中断した電子納品 (%1) を書き込み前の状態に戻しました";
inline constexpr std::string_view deliveryJournalUnread =
    "前回中断した電子納品の記録 %1 を読めません。フォルダを確かめてから記録を削除して下さい";
inline constexpr std::string_view diskFull = "ディスクがいっぱいです（約 %1 MB 必要、空き %2 MB）";
inline constexpr std::string_view folderNotWritable =
    "フォルダに書き込めません（読み取り専用か、アクセス権がありません）";
inline constexpr std::string_view writeFailed = "書き込みに失敗しました";

}  // namespace karnea::msg
