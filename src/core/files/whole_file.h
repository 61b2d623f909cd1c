#pragma once

#include "errors/error.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace vireo {

// What a temporary file of a write to `<name>` is called, in the same folder: the name, this
// marker, the writer's process id, "-" and six random characters
// ("vireo-marks.csv.vireo-temp-4711-a8Zq3x"). Nothing reads such a file as its name's content.
inline constexpr std::string_view kTemporaryMarker = ".vireo-temp-";

// Whether a write waits until the new content and its name are on the disk. The operator's marks
// do; a recording's frames, up to hundreds a second, do not: after a crash of the program each is
// whole or absent either way, and only a crash of the whole system may lose the newest ones.
enum class Durability { Synced, Cached };

// Replaces the content of `file` with `bytes`, so that it is always either the old file or the
// new one whole, whatever happens during the write (a crash, a full disk): the bytes go to a
// temporary file beside it, are flushed to the disk (when Synced) and renamed over it. When `file`
// is a symbolic link, the file it leads to is replaced and the link kept; anything there but a
// regular file (a folder, a device, a pipe) is refused. The file keeps its permissions (a new one
// gets 0644).
//
// On an error the old file is left as it was and the temporary file removed; the error names
// `file` and the reason ("cannot write: permission denied").
Expected<void> writeFileWhole(const std::filesystem::path& file,
                              std::span<const std::uint8_t> bytes,
                              Durability durability = Durability::Synced);
inline Expected<void> writeFileWhole(const std::filesystem::path& file, std::string_view text,
                                     Durability durability = Durability::Synced) {
    return writeFileWhole(file, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
                          durability);
}

// Removes the temporary files of writes to `file` (to the file it leads to, when it is a link)
// whose writer is no longer running: it was killed during a write. A process of another user
// counts as running, and so does this one. This lists the whole folder, which takes a tenth of a
// second in a folder of 100,000 frames: callers do it once, not after every write.
void removeStaleTemporaries(const std::filesystem::path& file);

} // namespace vireo
