#include "file_names.h"

namespace hosei {

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

constexpr std::size_t kReplacedCharacters = 4;

}  // namespace

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) count += IsContinuationByte(c) ? 0 : 1;
  return count;
}

std::optional<std::string> WithoutLastCharacters(std::string_view text, std::size_t count) {
  std::size_t end = text.size();
  for (std::size_t removed = 0; removed < count; ++removed) {
    if (end == 0) return std::nullopt;
    --end;
    while (end > 0 && IsContinuationByte(text[end])) --end;
  }
  return std::string(text.substr(0, end));
}

std::string_view FileTitle(std::string_view path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(std::string_view path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string_view::npos) return ".";
  return slash == 0 ? "/" : std::string(path.substr(0, slash));
}

std::string FolderWithSlash(std::string_view folder) {
  // No folder at all means the working folder, never the root.
  if (folder.empty()) return "./";
  std::string result(folder);
  if (result.back() != '/') result += '/';
  return result;
}

std::optional<std::string> ResultFileName(std::string_view currentFile) {
  if (CharacterCount(FileTitle(currentFile)) < kReplacedCharacters) return std::nullopt;
  auto stem = WithoutLastCharacters(currentFile, kReplacedCharacters);
  return *stem + "_.bmp";
}

std::string PhotoResultFileName(std::string_view currentFile) {
  const std::size_t titleStart = currentFile.size() - FileTitle(currentFile).size();
  const std::size_t dot = currentFile.find_last_of('.');
  // A dot that starts the name (".jpg") marks a hidden file, not an extension.
  if (dot == std::string_view::npos || dot <= titleStart) return std::string(currentFile) + "_";
  return std::string(currentFile.substr(0, dot)) + "_" + std::string(currentFile.substr(dot));
}

std::optional<std::string> ResultFileNameIn(std::string_view folder, std::string_view currentFile) {
  auto name = ResultFileName(FileTitle(currentFile));
  if (!name) return std::nullopt;
  return FolderWithSlash(folder) + *name;
}

std::optional<std::string> DisplayCopyName(std::string_view folder, std::string_view fileTitle) {
  auto stem = WithoutLastCharacters(fileTitle, kReplacedCharacters);
  if (!stem) return std::nullopt;
  return FolderWithSlash(folder) + "_" + *stem + ".bmp";
}

}  // namespace hosei
