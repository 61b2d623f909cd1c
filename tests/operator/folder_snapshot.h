#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vireo::testing {

// The bytes and modification times of every entry of a folder, to tell whether anything wrote
// to them since.
class FolderSnapshot {
public:
    explicit FolderSnapshot(const std::filesystem::path& folder);

    // What differs in `folder` now, one line per entry ("pic3.bmp: bytes changed"); empty when
    // every entry has the bytes and the modification time it had and none came or went.
    std::string changesIn(const std::filesystem::path& folder) const;

private:
    struct Entry {
        bool isFolder = false;
        std::vector<char> bytes;
        std::filesystem::file_time_type modified;
    };
    static std::map<std::string, Entry> read(const std::filesystem::path& folder);

    std::map<std::string, Entry> entries_;
};

} // namespace vireo::testing
