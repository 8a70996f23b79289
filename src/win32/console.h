// Text for the console: the program's reports hold the script's Shift-JIS text.
#pragma once

#include <string>

#include <windows.h>

namespace qv {

// Writes text (code page 932) to the standard handle: as UTF-16 to a console window, in the
// console's output code page (the ANSI code page without a console) to a file or pipe.
void WriteToConsole(const std::string& text, DWORD standardHandle);
// UTF-8 text (a file format's): as UTF-16 to a console window, as its very bytes to a file or pipe.
void WriteUtf8(const std::string& text, DWORD standardHandle);
// The same for a text already in UTF-16.
void WriteToConsole(const std::wstring& text, DWORD standardHandle);

}  // namespace qv
