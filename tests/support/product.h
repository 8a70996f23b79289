// A product installed in C:\Program Files\Example on the fake Windows, with the user's desktop
// and Startup folders, and a way to run its uninstall through the whole program.
#pragma once

#include <string>
#include <vector>

#include "entry/entry.h"
#include "fake_system.h"

namespace qv::test {

struct Product {
  static constexpr char kFolder[] = "C:\\Program Files\\Example";
  static constexpr char kScript[] = "C:\\Program Files\\Example\\Uninst.inf";
  static constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

  Product() {
    platform.AddFolder(kFolder);
    platform.SetValue(kHkeyCurrentUser, kShellFolders, "Desktop", "C:\\Users\\u\\Desktop");
    platform.SetValue(kHkeyCurrentUser, kShellFolders, "Startup", "C:\\Users\\u\\Startup");
    platform.AddFolder("C:\\Users\\u\\Desktop");
    platform.AddFolder("C:\\Users\\u\\Startup");
  }

  // Writes the script (the signature line, then body) and runs "/u" on the product's folder.
  int Uninstall(const std::string& body) {
    platform.AddFile(kScript, "//QV-Uninstaller\r\n" + body);
    platform.commandLine = "QvUninst.exe /u \"C:\\Program Files\\Example\\\"";
    return ProgramEntry(platform, platform);
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : platform.boxes) texts.push_back(box.text);
    return texts;
  }
  std::string Report() const { return platform.boxes.empty() ? "" : platform.boxes.back().text; }
  bool Has(const std::string& path) const { return platform.Exists(path); }

  FakePlatform platform;
};

// The run's texts, as the user sees them.
namespace shown {
inline constexpr char kAsk[] = "アンインストールを始めてよろしいですか?";
inline constexpr char kAskDeleteSettings[] = "設定情報を削除しますか?";
inline constexpr char kAllRemoved[] =
    "アンインストールは無事終了しました。\r\n\r\n>>ファイル・フォルダ・設定情報の全てが削除されました。";
inline constexpr char kFilesRemain[] =
    "アンインストールは無事終了しました。\r\n\r\n>>インストールした以外のファイルが、フォルダ内に残っています。";
inline constexpr char kSettingsRemain[] = "アンインストールは無事終了しました。\r\n\r\n>>設定情報は、残されました。";
inline constexpr char kBothRemain[] =
    "アンインストールは無事終了しました。\r\n\r\n>>インストールした以外のファイルが、フォルダ内に残っています。\r\n>>設定情報は、残されました。";
inline constexpr char kRestartLine[] = "\r\n>>使用中のファイルは、Windowsの再起動後に削除されます。";
}  // namespace shown

}  // namespace qv::test
