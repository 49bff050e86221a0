#pragma once

#include <string>
#include <string_view>

namespace hosei {

// Whether the file system of `folder` takes names that differ only in case for one file:
// the FAT and exFAT of camera cards, SMB shares, and ext4 folders with case folding.
bool FolderFoldsCase(const std::string& folder);

// A name as such a folder compares it. ASCII letters only: the names cameras give, and
// those people type, differ in those.
std::string FoldedName(std::string_view name);

}  // namespace hosei
