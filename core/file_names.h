#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hosei {

// Counts characters, not bytes: a UTF-8 sequence is one character.
std::size_t CharacterCount(std::string_view text);

// The text without its last `count` characters; nothing when it has fewer.
std::optional<std::string> WithoutLastCharacters(std::string_view text, std::size_t count);

// The result of a correction lies beside the source: the path less its last four
// characters, then "_.bmp" (a.bmp -> a_.bmp, x.jpeg -> x._.bmp). Nothing when the file's
// own name is shorter than four characters, which would cut into the folder.
std::optional<std::string> ResultFileName(std::string_view currentFile);

// A photo's result keeps its format's extension: the name without its extension, "_",
// then the extension (IMG_0001.JPG -> IMG_0001_.JPG; a name without one just gains "_").
std::string PhotoResultFileName(std::string_view currentFile);

// The same result name, placed in another folder.
std::optional<std::string> ResultFileNameIn(std::string_view folder, std::string_view currentFile);

// A display copy with guide marks: the program folder, then "_" + title less its last
// four characters + ".bmp".
std::optional<std::string> DisplayCopyName(std::string_view folder, std::string_view fileTitle);

// The file's own name, without its folder.
std::string_view FileTitle(std::string_view path);

// The folder a path lies in: "." for a bare name, "/" for the root.
std::string FolderOf(std::string_view path);

// A folder path ending in "/"; an empty folder is the working folder, "./".
std::string FolderWithSlash(std::string_view folder);

}  // namespace hosei
