#pragma once

#include "errors/error.h"

#include <filesystem>
#include <string_view>

namespace vireo {

// What a temporary file of a write to `<name>` is called, in the same folder: the name, this
// marker, the writer's process id, "-" and six random characters
// ("vireo-marks.csv.vireo-temp-4711-a8Zq3x"). Nothing reads such a file as its name's content.
inline constexpr std::string_view kTemporaryMarker = ".vireo-temp-";

// Replaces the content of `file` with `text`, so that it is always either the old file or the new
// one whole, whatever happens during the write (a crash, a full disk): the text goes to a
// temporary file beside it, is flushed to the disk and renamed over it. When `file` is a symbolic
// link, the file it leads to is replaced and the link kept; anything there but a regular file (a
// folder, a device, a pipe) is refused. The file keeps its permissions (a new one gets 0644).
//
// On an error the old file is left as it was and the temporary file removed; the error names
// `file` and the reason ("cannot write: permission denied").
Expected<void> writeFileWhole(const std::filesystem::path& file, std::string_view text);

// Removes the temporary files of writes to `file` (to the file it leads to, when it is a link)
// whose writer is no longer running: it was killed during a write. A process of another user
// counts as running, and so does this one. This lists the whole folder, which takes a tenth of a
// second in a folder of 100,000 frames: callers do it once, not after every write.
void removeStaleTemporaries(const std::filesystem::path& file);

} // namespace vireo
