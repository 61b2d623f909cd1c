#include "folder_snapshot.h"

#include <fstream>
#include <iterator>

namespace vireo::testing {

FolderSnapshot::FolderSnapshot(const std::filesystem::path& folder)
    : entries_(read(folder)) {}

std::map<std::string, FolderSnapshot::Entry>
FolderSnapshot::read(const std::filesystem::path& folder) {
    std::map<std::string, Entry> entries;
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        Entry entry;
        entry.isFolder = item.is_directory();
        entry.modified = item.last_write_time();
        if (!entry.isFolder) {
            std::ifstream in(item.path(), std::ios::binary);
            entry.bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        entries.emplace(item.path().filename().string(), std::move(entry));
    }
    return entries;
}

std::string FolderSnapshot::changesIn(const std::filesystem::path& folder) const {
    const std::map<std::string, Entry> now = read(folder);
    std::string changes;
    const auto note = [&changes](const std::string& name, const char* what) {
        changes += name + ": " + what + "\n";
    };
    for (const auto& [name, was] : entries_) {
        const auto found = now.find(name);
        if (found == now.end()) {
            note(name, "disappeared");
            continue;
        }
        if (found->second.isFolder != was.isFolder)
            note(name, "changed between file and folder");
        if (found->second.bytes != was.bytes)
            note(name, "bytes changed");
        if (found->second.modified != was.modified)
            note(name, "modification time changed");
    }
    for (const auto& [name, entry] : now)
        if (!entries_.contains(name))
            note(name, "appeared");
    return changes;
}

} // namespace vireo::testing
