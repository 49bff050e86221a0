#pragma once

#include <string>

#include "file_error.h"
#include "parameters.h"

// The windows' words for the problems the engine returns as values. The windows are
// designed in Japanese and say these whatever the locale.
namespace hosei {

// The accept-test message, in the message box and in a file's problem line.
inline constexpr const char* kNot24BitBitmapMessage = "24bit Windowsビットマップではありません";
// The main window's status text after a rejected file.
inline constexpr const char* kColourCountErrorStatus = "色数のエラー";

// One line a user can act on, naming the file.
std::string DescribeFileError(const FileError& error);

// The values a field accepts, for the help line after a refused run.
std::string AcceptedText(Field field);

}  // namespace hosei
