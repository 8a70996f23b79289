// Every text the user sees, in one place. Written in UTF-8 here and compiled to code page 932
// bytes (-fexec-charset=CP932), so the program and its tests hold the very bytes that are shown.
#pragma once

#include "common/version.h"

namespace qv::texts {

inline constexpr char kProgramTitle[] = "Quorvel Uninstaller 2.09";

// Program entry.
inline constexpr char kUninstallSwitch[] = "/u";
// The same uninstall without any box, for deployment tools (lower case, as the switch is compared).
inline constexpr char kSilentSwitch[] = "/s";
inline constexpr char kDefaultScriptName[] = "Uninst.inf";
inline constexpr char kSignature[] = "//qv-uninstaller";
inline constexpr char kScriptNotFound[] = "が見つかりません。\r\nアンインストール出来ませんでした。";
inline constexpr char kWrongScript[] = "アンインストールに使うファイルが違います\r\nアンインストール出来ませんでした。";

// Fatal error report.
inline constexpr char kFatalCaption[] = "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ";
inline constexpr char kFatalFormat[] = "%sがﾓｼﾞｭｰﾙ %s の %p で発生しました。\n%s%s";

// Error messages.
inline constexpr char kListIndexError[] = "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (%d)";
inline constexpr char kFileOpenError[] = "ﾌｧｲﾙ %s は開けません";
inline constexpr char kRegistryWriteError[] = "'%s' の設定に失敗しました";
inline constexpr char kRegistryReadError[] = "'%s' の取得に失敗しました";
inline constexpr char kRegistryTypeError[] = "'%s' のﾃﾞｰﾀ型が不正です";
inline constexpr char kInvalidDate[] = "日付に変換できない値が渡されました";
inline constexpr char kInvalidTime[] = "時刻に変換できない値が渡されました";

// Version information box: the head, the author, "制作日：", the build date, then the tail with
// the credit line naming the compiler.
inline constexpr char kVersionCaption[] = "バージョン情報";
inline constexpr char kVersionHead[] = "Quorvel Uninstaller Ver2.09\r\n\r\n制作者：" QV_AUTHOR "\r\n制作日：";
inline constexpr char kVersionTail[] =
    "\r\n提供元：Quorvel Software\r\n\r\n" QV_CREDITS
    "\r\n\r\nこのファイルは、制作者の作ったアプリケーションの\r\nアンインストールに必要な共有ファイルなので、削除しないで下さい。";

// Uninstall run and final report.
inline constexpr char kAskToBegin[] = "アンインストールを始めてよろしいですか?";
inline constexpr char kReportAllRemoved[] =
    "アンインストールは無事終了しました。\r\n\r\n>>ファイル・フォルダ・設定情報の全てが削除されました。";
inline constexpr char kReportFilesRemain[] =
    "アンインストールは無事終了しました。\r\n\r\n>>インストールした以外のファイルが、フォルダ内に残っています。";
inline constexpr char kReportSettingsRemain[] =
    "アンインストールは無事終了しました。\r\n\r\n>>設定情報は、残されました。";
inline constexpr char kReportBothRemain[] =
    "アンインストールは無事終了しました。\r\n\r\n>>インストールした以外のファイルが、フォルダ内に残っています。\r\n>>設定情報は、残されました。";
// Ends the final report when files are left to the next start of Windows.
inline constexpr char kReportRestartLine[] = "\r\n>>使用中のファイルは、Windowsの再起動後に削除されます。";

// Section handlers.
inline constexpr char kAskDeleteSettings[] = "設定情報を削除しますか?";
inline constexpr char kIsRunning[] = " が起動しています。";
inline constexpr char kCloseItFirst[] = "閉じてからアンインストールして下さい。";

}  // namespace qv::texts
