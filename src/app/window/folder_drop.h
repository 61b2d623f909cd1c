#pragma once

#include <filesystem>
#include <optional>

class QMimeData;

namespace vireo {

// The recording a drag onto the window opens: the first of its URLs that names a local folder, a
// local frame file picN.bmp, whose folder it is, or a local video file. nullopt when no URL is
// any of these, so the window refuses the drag (text, web links, other files).
std::optional<std::filesystem::path> folderToOpen(const QMimeData& dragged);

} // namespace vireo
