#pragma once

#include "app/cli/frame_renderer.h"

#include <filesystem>
#include <memory>
#include <string>

namespace vireo {

// The file name of the module that holds the PNG renderer.
inline constexpr const char* kRendererModuleName = "vireo-render.so";

struct LoadedRenderer {
    std::unique_ptr<FrameRenderer> renderer; // null when the module could not be loaded
    std::string error; // "cannot load the renderer <path>: <reason>" otherwise
};

// Loads the renderer module and creates a renderer. The module is looked for next to the running
// program, where the build puts it, and otherwise where installing puts it (lib/vireo beside the
// program's bin folder). It stays loaded until the process ends.
LoadedRenderer loadFrameRenderer();

} // namespace vireo
