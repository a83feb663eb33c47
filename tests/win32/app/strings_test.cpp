#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/process_values.h"
#include "app/string_table_win32.h"
#include "res/resource.h"
#include "tests/win32/support/harness.h"
#include "tests/win32/support/scratch_folder.h"

namespace murvane {
namespace {

struct ExpectedText {
  std::int32_t id;
  const wchar_t* english;
  const wchar_t* japanese;
};

// Written as escapes, so that the expectation does not rest on any tool's
// reading of UTF-8 (which is what the resources are being checked for).
const ExpectedText kExpected[] = {
    // 再生中
    {1001, L"Playing", L"\u518d\u751f\u4e2d"},
    // 停止中
    {1002, L"Stopped", L"\u505c\u6b62\u4e2d"},
    {1003, L"Murvane", L"Murvane"},
    // ウィンドウの作成に失敗しました。
    {1004, L"Failed create window.", L"\u30a6\u30a3\u30f3\u30c9\u30a6\u306e\u4f5c\u6210\u306b\u5931\u6557\u3057\u307e\u3057\u305f\u3002"},
    {1005, L"Murvane: Error", L"Murvane: Error"},
    // アプリケーションの初期化に失敗しました。
    {1006, L"Failed initialize application.", L"\u30a2\u30d7\u30ea\u30b1\u30fc\u30b7\u30e7\u30f3\u306e\u521d\u671f\u5316\u306b\u5931\u6557\u3057\u307e\u3057\u305f\u3002"},
    // 再生/停止ホットキーの設定に失敗しました。 CR LF 他のアプリケーションと重複している可能性があります。
    {1007, L"Failed register hotkey.", L"\u518d\u751f/\u505c\u6b62\u30db\u30c3\u30c8\u30ad\u30fc\u306e\u8a2d\u5b9a\u306b\u5931\u6557\u3057\u307e\u3057\u305f\u3002\r\n\u4ed6\u306e\u30a2\u30d7\u30ea\u30b1\u30fc\u30b7\u30e7\u30f3\u3068\u91cd\u8907\u3057\u3066\u3044\u308b\u53ef\u80fd\u6027\u304c\u3042\u308a\u307e\u3059\u3002"},
    // ファイルを設定してください。
    {1008, L"Please set file.", L"\u30d5\u30a1\u30a4\u30eb\u3092\u8a2d\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
    // キー設定
    {1009, L"Key config", L"\u30ad\u30fc\u8a2d\u5b9a"},
    // キーバインド設定が開けません。
    {1010, L"Failed open key config.", L"\u30ad\u30fc\u30d0\u30a4\u30f3\u30c9\u8a2d\u5b9a\u304c\u958b\u3051\u307e\u305b\u3093\u3002"},
    // 停止
    {1011, L"Stop", L"\u505c\u6b62"},
    // MIDIファイルテスト
    {1012, L"Test MIDI file", L"MIDI\u30d5\u30a1\u30a4\u30eb\u30c6\u30b9\u30c8"},
    // ファイルが開けません。
    {1013, L"Failed open file.", L"\u30d5\u30a1\u30a4\u30eb\u304c\u958b\u3051\u307e\u305b\u3093\u3002"},
    // 4GByte以上のファイルは非対応です。
    {1014, L"Over 4GByte file is not support.", L"4GByte\u4ee5\u4e0a\u306e\u30d5\u30a1\u30a4\u30eb\u306f\u975e\u5bfe\u5fdc\u3067\u3059\u3002"},
    // ファイル読み込み中に不明なエラーが発生しました。
    {1015, L"Failed read file.", L"\u30d5\u30a1\u30a4\u30eb\u8aad\u307f\u8fbc\u307f\u4e2d\u306b\u4e0d\u660e\u306a\u30a8\u30e9\u30fc\u304c\u767a\u751f\u3057\u307e\u3057\u305f\u3002"},
    // 不正なSMFファイルです。
    {1016, L"Illegal SMF file.", L"\u4e0d\u6b63\u306aSMF\u30d5\u30a1\u30a4\u30eb\u3067\u3059\u3002"},
    // サポートしていないなSMFファイルです。
    {1017, L"Unsupport SMF file.", L"\u30b5\u30dd\u30fc\u30c8\u3057\u3066\u3044\u306a\u3044\u306aSMF\u30d5\u30a1\u30a4\u30eb\u3067\u3059\u3002"},
    // Murvane: キー設定
    {1018, L"Murvane: Key config", L"Murvane: \u30ad\u30fc\u8a2d\u5b9a"},
    // 設定
    {1019, L"Commit", L"\u8a2d\u5b9a"},
    // ド (-1)
    {1020, L"C3", L"\u30c9 (-1)"},
    // ド＃ (-1)
    {1021, L"C3#", L"\u30c9\uff03 (-1)"},
    // レ (-1)
    {1022, L"D3", L"\u30ec (-1)"},
    // ミ♭ (-1)
    {1023, L"D3#", L"\u30df\u266d (-1)"},
    // ミ (-1)
    {1024, L"E3", L"\u30df (-1)"},
    // ファ (-1)
    {1025, L"F3", L"\u30d5\u30a1 (-1)"},
    // ファ＃ (-1)
    {1026, L"F3#", L"\u30d5\u30a1\uff03 (-1)"},
    // ソ (-1)
    {1027, L"G3", L"\u30bd (-1)"},
    // ソ＃ (-1)
    {1028, L"G3#", L"\u30bd\uff03 (-1)"},
    // ラ (-1)
    {1029, L"A3", L"\u30e9 (-1)"},
    // シ♭ (-1)
    {1030, L"A3#", L"\u30b7\u266d (-1)"},
    // シ (-1)
    {1031, L"B3", L"\u30b7 (-1)"},
    // ド
    {1032, L"C4", L"\u30c9"},
    // ド＃
    {1033, L"C4#", L"\u30c9\uff03"},
    // レ
    {1034, L"D4", L"\u30ec"},
    // ミ♭
    {1035, L"D4#", L"\u30df\u266d"},
    // ミ
    {1036, L"E4", L"\u30df"},
    // ファ
    {1037, L"F4", L"\u30d5\u30a1"},
    // ファ＃
    {1038, L"F4#", L"\u30d5\u30a1\uff03"},
    // ソ
    {1039, L"G4", L"\u30bd"},
    // ソ#
    {1040, L"G4#", L"\u30bd#"},
    // ラ
    {1041, L"A4", L"\u30e9"},
    // シ♭
    {1042, L"A4#", L"\u30b7\u266d"},
    // シ
    {1043, L"B4", L"\u30b7"},
    // ド (+1)
    {1044, L"C5", L"\u30c9 (+1)"},
    // ド＃ (+1)
    {1045, L"C5#", L"\u30c9\uff03 (+1)"},
    // レ (+1)
    {1046, L"D5", L"\u30ec (+1)"},
    // ミ♭ (+1)
    {1047, L"D5#", L"\u30df\u266d (+1)"},
    // ミ (+1)
    {1048, L"E5", L"\u30df (+1)"},
    // ファ (+1)
    {1049, L"F5", L"\u30d5\u30a1 (+1)"},
    // ファ＃ (+1)
    {1050, L"F5#", L"\u30d5\u30a1\uff03 (+1)"},
    // ソ (+1)
    {1051, L"G5", L"\u30bd (+1)"},
    // ソ＃ (+1)
    {1052, L"G5#", L"\u30bd\uff03 (+1)"},
    // ラ (+1)
    {1053, L"A5", L"\u30e9 (+1)"},
    // シ♭ (+1)
    {1054, L"A5#", L"\u30b7\u266d (+1)"},
    // シ (+1)
    {1055, L"B5", L"\u30b7 (+1)"},
    // Hotkey: 再生/停止
    {1056, L"Hotkey: Play/Stop", L"Hotkey: \u518d\u751f/\u505c\u6b62"},
    // MIDIテストの初期化に失敗しました。(MIDIテストが実行できません)
    {1057, L"Failed initialize MIDI test.", L"MIDI\u30c6\u30b9\u30c8\u306e\u521d\u671f\u5316\u306b\u5931\u6557\u3057\u307e\u3057\u305f\u3002(MIDI\u30c6\u30b9\u30c8\u304c\u5b9f\u884c\u3067\u304d\u307e\u305b\u3093)"},
    // ド(+2)
    {1058, L"C6", L"\u30c9(+2)"},
    // MIDI入力機器が見つかりません
    {1059, L"MIDI input device not found.", L"MIDI\u5165\u529b\u6a5f\u5668\u304c\u898b\u3064\u304b\u308a\u307e\u305b\u3093"},
    // MIDI入力機器の設定でエラーが発生しました
    {1060, L"MIDI input error.", L"MIDI\u5165\u529b\u6a5f\u5668\u306e\u8a2d\u5b9a\u3067\u30a8\u30e9\u30fc\u304c\u767a\u751f\u3057\u307e\u3057\u305f"},
    // MIDI入力機器を有効化
    {1061, L"Enable MIDI input", L"MIDI\u5165\u529b\u6a5f\u5668\u3092\u6709\u52b9\u5316"},
    // MIDIファイルテスト再生中
    {1062, L"MIDI file test playing", L"MIDI\u30d5\u30a1\u30a4\u30eb\u30c6\u30b9\u30c8\u518d\u751f\u4e2d"},
    // MIDI入力受付中
    {1063, L"MIDI inputing", L"MIDI\u5165\u529b\u53d7\u4ed8\u4e2d"},
    // Hotkey: MIDI入力
    {1064, L"Hotkey: MIDI input", L"Hotkey: MIDI\u5165\u529b"},
    // MIDI入力のホットキーの設定に失敗しました。 CR LF 他のアプリケーションと重複している可能性があります。
    {1065, L"Failed register hotkey.", L"MIDI\u5165\u529b\u306e\u30db\u30c3\u30c8\u30ad\u30fc\u306e\u8a2d\u5b9a\u306b\u5931\u6557\u3057\u307e\u3057\u305f\u3002\r\n\u4ed6\u306e\u30a2\u30d7\u30ea\u30b1\u30fc\u30b7\u30e7\u30f3\u3068\u91cd\u8907\u3057\u3066\u3044\u308b\u53ef\u80fd\u6027\u304c\u3042\u308a\u307e\u3059\u3002"},
    // Hotkey: 全停止
    {1066, L"Hotkey: All stop", L"Hotkey: \u5168\u505c\u6b62"},
    // 全停止のホットキーの設定に失敗しました。 CR LF 他のアプリケーションと重複している可能性があります。
    {1067, L"Failed register hotkey.", L"\u5168\u505c\u6b62\u306e\u30db\u30c3\u30c8\u30ad\u30fc\u306e\u8a2d\u5b9a\u306b\u5931\u6557\u3057\u307e\u3057\u305f\u3002\r\n\u4ed6\u306e\u30a2\u30d7\u30ea\u30b1\u30fc\u30b7\u30e7\u30f3\u3068\u91cd\u8907\u3057\u3066\u3044\u308b\u53ef\u80fd\u6027\u304c\u3042\u308a\u307e\u3059\u3002"},
    // 音階には修飾キー(Ctrl, Alt, Shift)を使えません
    {1068, L"Ctrl, Alt and Shift do not use in note", L"\u97f3\u968e\u306b\u306f\u4fee\u98fe\u30ad\u30fc(Ctrl, Alt, Shift)\u3092\u4f7f\u3048\u307e\u305b\u3093"},
    // 設定ファイルを保存できませんでした。
    {1069, L"Failed save settings file.", L"\u8a2d\u5b9a\u30d5\u30a1\u30a4\u30eb\u3092\u4fdd\u5b58\u3067\u304d\u307e\u305b\u3093\u3067\u3057\u305f\u3002"},
    // オプション...
    {1070, L"Options...", L"\u30aa\u30d7\u30b7\u30e7\u30f3..."},
    // Murvane: オプション
    {1071, L"Murvane: Options", L"Murvane: \u30aa\u30d7\u30b7\u30e7\u30f3"},
    // %1: %2 音 (範囲内 %3)
    {1072, L"%1: %2 notes, %3 in range", L"%1: %2 \u97f3 (\u7bc4\u56f2\u5185 %3)"},
    // %1: 音なし
    {1073, L"%1: no notes", L"%1: \u97f3\u306a\u3057"},
    // 提案
    {1074, L"Suggest", L"\u63d0\u6848"},
    // 移調 (半音)
    {1075, L"Transpose (semitones)", L"\u79fb\u8abf (\u534a\u97f3)"},
    // C3–C6 の外の音を範囲内に折り返す
    {1076, L"Fold notes outside C3\u2013C6 into range", L"C3\u2013C6 \u306e\u5916\u306e\u97f3\u3092\u7bc4\u56f2\u5185\u306b\u6298\u308a\u8fd4\u3059"},
    // 速度 (%)
    {1077, L"Speed (%)", L"\u901f\u5ea6 (%)"},
    // 再打鍵の間隔 (ms)
    {1078, L"Re-press gap (ms)", L"\u518d\u6253\u9375\u306e\u9593\u9694 (ms)"},
    // OK
    {1079, L"OK", L"OK"},
    // キャンセル
    {1080, L"Cancel", L"\u30ad\u30e3\u30f3\u30bb\u30eb"},
    // 移調は %1 から %2 の間で指定してください。
    {1081, L"Transpose must be from %1 to %2.", L"\u79fb\u8abf\u306f %1 \u304b\u3089 %2 \u306e\u9593\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
    // 速度は %1 から %2 % の間で指定してください。
    {1082, L"Speed must be from %1 to %2 %.", L"\u901f\u5ea6\u306f %1 \u304b\u3089 %2 % \u306e\u9593\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
    // 再打鍵の間隔は %1 から %2 ms の間で指定してください。
    {1083, L"Re-press gap must be from %1 to %2 ms.", L"\u518d\u6253\u9375\u306e\u9593\u9694\u306f %1 \u304b\u3089 %2 ms \u306e\u9593\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
    // チャンネルを1つ以上選んでください。
    {1084, L"Check at least one channel.", L"\u30c1\u30e3\u30f3\u30cd\u30eb\u30921\u3064\u4ee5\u4e0a\u9078\u3093\u3067\u304f\u3060\u3055\u3044\u3002"},
    // オプションが開けません。
    {1085, L"Failed open options.", L"\u30aa\u30d7\u30b7\u30e7\u30f3\u304c\u958b\u3051\u307e\u305b\u3093\u3002"},
    // 再生中: キーが届きません (対象が管理者権限)
    {1090, L"Playing: keys blocked (target is admin)", L"\u518d\u751f\u4e2d: \u30ad\u30fc\u304c\u5c4a\u304d\u307e\u305b\u3093 (\u5bfe\u8c61\u304c\u7ba1\u7406\u8005\u6a29\u9650)"},
    // MIDI入力受付中: キーが届きません (対象が管理者権限)
    {1091, L"MIDI input: keys blocked (target is admin)", L"MIDI\u5165\u529b\u53d7\u4ed8\u4e2d: \u30ad\u30fc\u304c\u5c4a\u304d\u307e\u305b\u3093 (\u5bfe\u8c61\u304c\u7ba1\u7406\u8005\u6a29\u9650)"},
    // キー配置
    {1086, L"Keyboard layout", L"\u30ad\u30fc\u914d\u7f6e"},
    // 標準 (キー設定)
    {1087, L"Default (Key config)", L"\u6a19\u6e96 (\u30ad\u30fc\u8a2d\u5b9a)"},
    // %1 (見つかりません)
    {1088, L"%1 (missing)", L"%1 (\u898b\u3064\u304b\u308a\u307e\u305b\u3093)"},
    // 修飾キーの保持 (ms)
    {1089, L"Modifier hold (ms)", L"\u4fee\u98fe\u30ad\u30fc\u306e\u4fdd\u6301 (ms)"},
    // 一時停止中 (別のウィンドウが前面にあります)
    {1092, L"Paused (another window is in front)", L"\u4e00\u6642\u505c\u6b62\u4e2d (\u5225\u306e\u30a6\u30a3\u30f3\u30c9\u30a6\u304c\u524d\u9762\u306b\u3042\u308a\u307e\u3059)"},
    // MIDI入力一時停止中 (別のウィンドウが前面にあります)
    {1093, L"MIDI input paused (another window is in front)", L"MIDI\u5165\u529b\u4e00\u6642\u505c\u6b62\u4e2d (\u5225\u306e\u30a6\u30a3\u30f3\u30c9\u30a6\u304c\u524d\u9762\u306b\u3042\u308a\u307e\u3059)"},
    // 修飾キーの保持は %1 から %2 ms の間で指定してください。
    {1100, L"Modifier hold must be from %1 to %2 ms.", L"\u4fee\u98fe\u30ad\u30fc\u306e\u4fdd\u6301\u306f %1 \u304b\u3089 %2 ms \u306e\u9593\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
    // %1 (%2 キー)
    {1101, L"%1 (%2 keys)", L"%1 (%2 \u30ad\u30fc)"},
    // %1: %2、%3 音 (範囲内 %4)
    {1102, L"%1: %2, %3 notes, %4 in range", L"%1: %2\u3001%3 \u97f3 (\u7bc4\u56f2\u5185 %4)"},
    // 開始時に前面だったウィンドウにだけ入力する
    {1103, L"Type only into the window in front at start", L"\u958b\u59cb\u6642\u306b\u524d\u9762\u3060\u3063\u305f\u30a6\u30a3\u30f3\u30c9\u30a6\u306b\u3060\u3051\u5165\u529b\u3059\u308b"},
    // MIDI入力デバイス
    {1104, L"MIDI input device", L"MIDI\u5165\u529b\u30c7\u30d0\u30a4\u30b9"},
    // 最初のデバイス
    {1105, L"First device", L"\u6700\u521d\u306e\u30c7\u30d0\u30a4\u30b9"},
    // 一時停止中
    {1120, L"Paused", L"\u4e00\u6642\u505c\u6b62\u4e2d"},
    // 再生中 (%1%)
    {1121, L"Playing (%1%)", L"\u518d\u751f\u4e2d (%1%)"},
    // 再生操作のホットキーの設定に失敗しました。\r\n他のアプリケーションと重複している可能性があります。
    {1122, L"Failed register hotkey.", L"\u518d\u751f\u64cd\u4f5c\u306e\u30db\u30c3\u30c8\u30ad\u30fc\u306e\u8a2d\u5b9a\u306b\u5931\u6557\u3057\u307e\u3057\u305f\u3002\r\n\u4ed6\u306e\u30a2\u30d7\u30ea\u30b1\u30fc\u30b7\u30e7\u30f3\u3068\u91cd\u8907\u3057\u3066\u3044\u308b\u53ef\u80fd\u6027\u304c\u3042\u308a\u307e\u3059\u3002"},
    // 曲の終わりで最初からもう一度再生する
    {1123, L"Play the song again from its start at its end", L"\u66f2\u306e\u7d42\u308f\u308a\u3067\u6700\u521d\u304b\u3089\u3082\u3046\u4e00\u5ea6\u518d\u751f\u3059\u308b"},
    // 一時停止
    {1124, L"Pause", L"\u4e00\u6642\u505c\u6b62"},
    // 巻き戻し
    {1125, L"Seek back", L"\u5dfb\u304d\u623b\u3057"},
    // 早送り
    {1126, L"Seek forward", L"\u65e9\u9001\u308a"},
    // 遅くする
    {1127, L"Slower", L"\u9045\u304f\u3059\u308b"},
    // 速くする
    {1128, L"Faster", L"\u901f\u304f\u3059\u308b"},
    // このキーはすでに %1 に使われています。
    {1129, L"%1 already uses this key.", L"\u3053\u306e\u30ad\u30fc\u306f\u3059\u3067\u306b %1 \u306b\u4f7f\u308f\u308c\u3066\u3044\u307e\u3059\u3002"},
    // プレイリスト...
    {1130, L"Playlist...", L"\u30d7\u30ec\u30a4\u30ea\u30b9\u30c8..."},
    // Murvane: プレイリスト
    {1131, L"Murvane: Playlist", L"Murvane: \u30d7\u30ec\u30a4\u30ea\u30b9\u30c8"},
    // 前の曲
    {1132, L"Previous", L"\u524d\u306e\u66f2"},
    // 次の曲
    {1133, L"Next", L"\u6b21\u306e\u66f2"},
    // 保存...
    {1134, L"Save...", L"\u4fdd\u5b58..."},
    // ループ: なし
    {1135, L"Loop: off", L"\u30eb\u30fc\u30d7: \u306a\u3057"},
    // ループ: 1曲
    {1136, L"Loop: song", L"\u30eb\u30fc\u30d7: 1\u66f2"},
    // ループ: 全曲
    {1137, L"Loop: queue", L"\u30eb\u30fc\u30d7: \u5168\u66f2"},
    // この曲だけに使う
    {1138, L"Only for this song", L"\u3053\u306e\u66f2\u3060\u3051\u306b\u4f7f\u3046"},
    // チャンネルを指定していない曲には提案を使う
    {1139, L"Suggest for each song without its own channel", L"\u30c1\u30e3\u30f3\u30cd\u30eb\u3092\u6307\u5b9a\u3057\u3066\u3044\u306a\u3044\u66f2\u306b\u306f\u63d0\u6848\u3092\u4f7f\u3046"},
    {1140, L"Waiting for modifier keys to be released",
     L"\u4fee\u98fe\u30ad\u30fc\u304c\u96e2\u3055\u308c\u308b\u306e\u3092\u5f85\u3063\u3066\u3044\u307e\u3059"},
    // 押す長さ (ms、0: 音符どおり)
    {1141, L"Press length (ms, 0: note)",
     L"\u62bc\u3059\u9577\u3055 (ms\u3001" L"0: \u97f3\u7b26\u3069\u304a\u308a)"},
    // 同時に押すキーの上限 (0: なし)
    {1142, L"Most keys down (0: any)",
     L"\u540c\u6642\u306b\u62bc\u3059\u30ad\u30fc\u306e\u4e0a\u9650 (0: \u306a\u3057)"},
    // 和音をずらす間隔 (ms)
    {1143, L"Chord spread (ms)",
     L"\u548c\u97f3\u3092\u305a\u3089\u3059\u9593\u9694 (ms)"},
    // 押す長さは %1 から %2 ms の範囲で指定してください。
    {1144, L"Press length must be from %1 to %2 ms.",
     L"\u62bc\u3059\u9577\u3055\u306f %1 \u304b\u3089 %2 ms \u306e\u7bc4\u56f2\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
    // 同時に押すキーの上限は %1 から %2 の範囲で指定してください (0: 上限なし)。
    {1145, L"Most keys down must be from %1 to %2 (0: no limit).",
     L"\u540c\u6642\u306b\u62bc\u3059\u30ad\u30fc\u306e\u4e0a\u9650\u306f %1 \u304b\u3089 %2 \u306e\u7bc4\u56f2\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044 (0: \u4e0a\u9650\u306a\u3057)\u3002"},
    // 和音をずらす間隔は %1 から %2 ms の範囲で指定してください。
    {1146, L"Chord spread must be from %1 to %2 ms.",
     L"\u548c\u97f3\u3092\u305a\u3089\u3059\u9593\u9694\u306f %1 \u304b\u3089 %2 ms \u306e\u7bc4\u56f2\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
};

// Ids that hold no text yet.
bool isUnusedId(std::int32_t id) {
  return (id >= 1094 && id <= 1099) || (id >= 1106 && id <= 1119) || id >= 1147;
}

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);
// The other languages, each with a text that shows its table was read as UTF-8.
constexpr struct {
  LANGID language;
  const wchar_t* stopped;
} kOtherLanguages[] = {{MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), L"\u5df2\u505c\u6b62"},
                       {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), L"\u5df2\u505c\u6b62"},
                       {MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), L"\uc815\uc9c0\ub428"}};

// CTest runs this executable once per language, with the locale that makes
// the platform's resource loader pick that language.
bool expectJapanese() {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  bool japanese = false;
  for (int i = 1; i < count; ++i) {
    japanese = japanese || std::wstring(args[i]) == L"--expect-language=ja";
  }
  LocalFree(args);
  return japanese;
}

const wchar_t* expectedText(const ExpectedText& text) {
  return expectJapanese() ? text.japanese : text.english;
}

using test::resourceString;

// ASCII with every other character as \uXXXX, for readable failures.
std::string show(const wchar_t* text) {
  if (text == nullptr) {
    return "(null)";
  }
  std::string out;
  for (const wchar_t* c = text; *c != 0; ++c) {
    if (*c >= 0x20 && *c < 0x7f) {
      out += static_cast<char>(*c);
    } else {
      char unit[8];
      wsprintfA(unit, "\\u%04x", static_cast<unsigned>(*c));
      out += unit;
    }
  }
  return out;
}

TEST(StringResources, HoldEveryTextInBothLanguagesExactly) {
  for (const ExpectedText& text : kExpected) {
    const auto english = resourceString(text.id, kEnglish);
    const auto japanese = resourceString(text.id, kJapanese);
    ASSERT_TRUE(english.has_value()) << text.id;
    ASSERT_TRUE(japanese.has_value()) << text.id;
    EXPECT_EQ(show(english->c_str()), show(text.english)) << text.id;
    EXPECT_EQ(show(japanese->c_str()), show(text.japanese)) << text.id;
  }
}

TEST(StringResources, HaveNoTextForTheUnusedIds) {
  for (std::int32_t id = 1069; id <= kLastStringId; ++id) {
    if (!isUnusedId(id)) continue;
    EXPECT_FALSE(resourceString(id, kEnglish).has_value()) << id;
    EXPECT_FALSE(resourceString(id, kJapanese).has_value()) << id;
  }
}

// Chinese and Korean: a text wherever English has one, and only there.
TEST(StringResources, OtherLanguagesHoldTheIdsOfEnglish) {
  for (const auto& other : kOtherLanguages) {
    for (std::int32_t id = kFirstStringId; id <= kLastStringId; ++id) {
      EXPECT_EQ(resourceString(id, other.language).has_value(), resourceString(id, kEnglish).has_value())
          << other.language << " " << id;
    }
    EXPECT_EQ(show(resourceString(IDS_STOPPED, other.language).value_or(L"").c_str()), show(other.stopped));
  }
}

class ProcessStrings : public testing::Test {
 protected:
  void SetUp() override {
    storeInstance(GetModuleHandleW(nullptr));
    loadStringTable();
  }
  void TearDown() override { releaseProcessValues(); }
};

TEST_F(ProcessStrings, LoadEveryTextInTheUserInterfaceLanguage) {
  for (const ExpectedText& text : kExpected) {
    EXPECT_EQ(show(lookupString(text.id)), show(expectedText(text))) << text.id;
  }
  for (std::int32_t id = 1069; id <= kLastStringId; ++id) {
    if (isUnusedId(id)) {
      EXPECT_EQ(lookupString(id), nullptr) << id;
    }
  }
}

TEST_F(ProcessStrings, LookupsOutsideTheTextsGiveNull) {
  for (std::int32_t id : {1000, 1096, 1119, 1147, 1150, -1}) {
    EXPECT_EQ(lookupString(id), nullptr) << id;
  }
  EXPECT_EQ(show(lookupString(IDS_PLAYING)), show(expectJapanese() ? L"\u518d\u751f\u4e2d" : L"Playing"));
}

TEST_F(ProcessStrings, ReleaseClearsTheTableAndTheInstance) {
  ASSERT_NE(lookupString(IDS_PLAYING), nullptr);
  EXPECT_EQ(instanceHandle(), GetModuleHandleW(nullptr));
  releaseProcessValues();
  EXPECT_EQ(lookupString(IDS_PLAYING), nullptr);
  EXPECT_EQ(instanceHandle(), nullptr);
  EXPECT_EQ(iniPath(), nullptr);
}

TEST(BackgroundBrush, IsOneSolidLightGreyUntilDeleted) {
  EXPECT_EQ(backgroundBrush(), nullptr);
  ASSERT_TRUE(createBackgroundBrush());
  LOGBRUSH brush{};
  ASSERT_EQ(GetObjectW(backgroundBrush(), sizeof brush, &brush), static_cast<int>(sizeof brush));
  EXPECT_EQ(brush.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_EQ(brush.lbColor, static_cast<COLORREF>(0x00E7E7E7));
  deleteBackgroundBrush();
  EXPECT_EQ(backgroundBrush(), nullptr);
}

#pragma pack(push, 2)
struct IconGroupHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
struct IconGroupEntry {
  BYTE width;
  BYTE height;
  BYTE colourCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(IconResource, Has32And16PixelImagesOf256Colours) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDI_MURVANE), MAKEINTRESOURCEW(14));
  ASSERT_NE(found, nullptr);
  const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  IconGroupHeader header;
  std::memcpy(&header, group, sizeof header);
  ASSERT_EQ(header.count, 2);
  for (int i = 0; i < header.count; ++i) {
    IconGroupEntry entry;
    std::memcpy(&entry, group + sizeof header + static_cast<std::size_t>(i) * sizeof entry, sizeof entry);
    EXPECT_EQ(entry.width, i == 0 ? 32 : 16);
    EXPECT_EQ(entry.height, entry.width);
    EXPECT_EQ(entry.bitCount, 8);
  }
  for (int size : {32, 16}) {
    HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(IDI_MURVANE), IMAGE_ICON, size, size, 0);
    EXPECT_NE(icon, nullptr) << size;
    DestroyIcon(static_cast<HICON>(icon));
  }
}

TEST(ManifestResource, AsksToRunAsTheInvokerWithoutUiAccess) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr);
  const auto* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
  const std::string manifest(text, SizeofResource(module, found));
  EXPECT_NE(manifest.find(R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)"), std::string::npos);
}

std::wstring ownPath() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), length);
}

std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

using test::ScratchFolder;

struct ProbeResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::wstring iniPath;
};

// Runs the probe copied to exePath; it reports the IniPath it builds.
ProbeResult runProbeAs(ScratchFolder& scratch, const std::wstring& exePath) {
  ProbeResult result;
  const std::wstring probe = folderOf(ownPath()) + L"\\murvane_ini_path_probe.exe";
  if (!scratch.copyFile(probe, exePath)) {
    ADD_FAILURE() << "cannot copy the probe, error " << GetLastError();
    return result;
  }
  const std::wstring output = scratch.path() + L"\\probe-output";
  std::wstring commandLine = L"\"" + exePath + L"\" \"" + output + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start the probe, error " << GetLastError();
    return result;
  }
  WaitForSingleObject(process.hProcess, 60000);
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  HANDLE file = CreateFileW(output.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    wchar_t buffer[1024];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    result.iniPath.assign(buffer, read / sizeof(wchar_t));
  }
  DeleteFileW(output.c_str());
  return result;
}

TEST(IniPath, IsTheRunningExecutablesPathWithIniForItsExtension) {
  ASSERT_TRUE(buildIniPath());
  const std::wstring exe = ownPath();
  ASSERT_EQ(exe.substr(exe.size() - 4), L".exe");
  EXPECT_EQ(show(iniPath()), show((exe.substr(0, exe.size() - 4) + L".ini").c_str()));
  releaseProcessValues();
  EXPECT_EQ(iniPath(), nullptr);
}

TEST(IniPath, ReplacesOnlyTheLastExtensionOfTheExecutablesName) {
  struct Case {
    const wchar_t* exe;
    const wchar_t* ini;
  };
  const Case cases[] = {
      {L"my.player.exe", L"my.player.ini"},
      {L"play.exe", L"play.ini"},
      {L"player", L"player.ini"},
      {L"tools.v2\\player", L"tools.v2\\player.ini"},
  };
  ScratchFolder scratch(L"murvane-strings");
  ASSERT_TRUE(scratch.makeFolder(scratch.path() + L"\\tools.v2"));
  for (const Case& c : cases) {
    const std::wstring exe = scratch.path() + L"\\" + c.exe;
    const ProbeResult result = runProbeAs(scratch, exe);
    EXPECT_EQ(result.exitCode, 0u) << show(c.exe);
    EXPECT_EQ(show(result.iniPath.c_str()), show((scratch.path() + L"\\" + c.ini).c_str()));
  }
}

// An executable whose full path has the given length, in a folder of its own.
std::wstring exePathOfLength(ScratchFolder& scratch, std::size_t length, const std::wstring& name) {
  const std::size_t folderLength = length - scratch.path().size() - 2 - name.size();
  const std::wstring folder = scratch.path() + L"\\" + std::wstring(folderLength, L'd');
  EXPECT_TRUE(scratch.makeFolder(folder));
  return folder + L"\\" + name;
}

// The platform starts no executable whose own path has 260 characters or
// more, so what can be run here is the IniPath that would grow past them.
TEST(IniPath, FailsInsteadOfCuttingAPathThatDoesNotFit) {
  struct Case {
    std::size_t exeLength;
    const wchar_t* name;
    bool fits;
  };
  const Case cases[] = {
      {259, L"player.exe", true},
      // Appending ".ini" adds 4 characters to these.
      {255, L"player", true},
      {256, L"player", false},
      {259, L"player", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "executable path of " << c.exeLength << " characters");
    ScratchFolder scratch(L"murvane-strings");
    const std::wstring exe = exePathOfLength(scratch, c.exeLength, c.name);
    ASSERT_EQ(exe.size(), c.exeLength);
    const ProbeResult result = runProbeAs(scratch, exe);
    if (c.fits) {
      EXPECT_EQ(result.exitCode, 0u);
      EXPECT_EQ(result.iniPath.size(), exe.size() + (exe.ends_with(L".exe") ? 0 : 4));
    } else {
      EXPECT_EQ(result.exitCode, 1u);
      EXPECT_EQ(result.iniPath, L"");
    }
  }
}

}  // namespace
}  // namespace murvane
