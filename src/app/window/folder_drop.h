#pragma once

#include <filesystem>
#include <optional>

class QMimeData;

namespace vireo {

// The folder a drag onto the window opens: the first of its URLs that names a local folder, or
// a local frame file picN.bmp, whose folder it is. nullopt when no URL is either, so the window
// refuses the drag (text, web links, other files).
std::optional<std::filesystem::path> folderToOpen(const QMimeData& dragged);

} // namespace vireo
