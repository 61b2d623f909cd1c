#pragma once

#include "errors/error.h"

#include <filesystem>

namespace vireo {

class RasterSurface;

// Writes what was drawn on `surface` to `file` as PNG (161 x 121). A file that could not be
// written whole is removed again; the error then reads "<file>: cannot write: <reason>".
Expected<void> writePng(const RasterSurface& surface, const std::filesystem::path& file);

} // namespace vireo
