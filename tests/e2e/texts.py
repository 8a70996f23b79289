"""The program's texts as the user sees them, written here in UTF-8 and compared as code page 932 bytes."""

import re

from harness import cp932

TITLE = cp932("Quorvel Uninstaller 2.09")
FATAL_CAPTION = cp932("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ")

NOT_FOUND_TAIL = cp932("が見つかりません。\r\nアンインストール出来ませんでした。")
WRONG_SCRIPT = cp932("アンインストールに使うファイルが違います\r\nアンインストール出来ませんでした。")
ASK_TO_BEGIN = cp932("アンインストールを始めてよろしいですか?")
ASK_DELETE_SETTINGS = cp932("設定情報を削除しますか?")

_DONE = "アンインストールは無事終了しました。\r\n\r\n"
REPORT_ALL_REMOVED = cp932(_DONE + ">>ファイル・フォルダ・設定情報の全てが削除されました。")
REPORT_FILES_REMAIN = cp932(_DONE + ">>インストールした以外のファイルが、フォルダ内に残っています。")
REPORT_SETTINGS_REMAIN = cp932(_DONE + ">>設定情報は、残されました。")
REPORT_BOTH_REMAIN = cp932(_DONE + ">>インストールした以外のファイルが、フォルダ内に残っています。\r\n>>設定情報は、残されました。")

VERSION_CAPTION = cp932("バージョン情報")
# The author's name and the credit line naming the development tool are the program's own choice.
VERSION_TEXT = re.compile(
    re.escape(cp932("Quorvel Uninstaller Ver2.09\r\n\r\n制作者：")) + rb"[^\r\n]+" + re.escape(cp932("\r\n制作日：")) +
    rb"([^\r\n]+)" + re.escape(cp932("\r\n提供元：Quorvel Software\r\n\r\n")) + rb"[^\r\n]+" +
    re.escape(cp932("\r\n\r\nこのファイルは、制作者の作ったアプリケーションの\r\n"
                    "アンインストールに必要な共有ファイルなので、削除しないで下さい。")) + rb"\Z")

SIGNATURE = "//QV-Uninstaller"

# Message box flags.
MB_ERROR, MB_INFORMATION, MB_QUESTION, MB_FATAL = 0x10, 0x40, 0x24, 0x2010
IDOK, IDYES, IDNO = 1, 6, 7


def not_found(file_name: str | bytes) -> bytes:
    return b'" ' + cp932(file_name) + b' " ' + NOT_FOUND_TAIL

# Section handlers.
MB_WARNING = 0x30
IS_RUNNING_TAIL = cp932(" が起動しています。\r\n閉じてからアンインストールして下さい。")


def is_running(app_name: str | bytes) -> bytes:
    """The box for a running program of the product, named as the script's "APPNAME=" line has it."""
    return cp932(app_name) + IS_RUNNING_TAIL


def fatal_report(error_class: str, message: str | bytes) -> re.Pattern:
    """The fatal error report's text: the error's class, the program file, a code address, the message."""
    return re.compile(re.escape(cp932(error_class + "がﾓｼﾞｭｰﾙ QvUninst.exe の ")) + rb"[0-9A-F]{8}" +
                      re.escape(cp932(" で発生しました。\n") + cp932(message) + b".") + rb"\Z")

# Ends the final report when files are left to the next start of Windows.
RESTART_LINE = cp932("\r\n>>使用中のファイルは、Windowsの再起動後に削除されます。")
