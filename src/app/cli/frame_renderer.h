#pragma once

#include "state/surface.h"

#include <filesystem>
#include <string>

namespace vireo {

// Draws frames as the window's edge picture shows them and saves them as PNG. The implementation
// needs Qt and lives in the module vireo-render, which vireo-cli loads only for --render-dir, so
// that its ordinary runs never load Qt.
class FrameRenderer {
public:
    virtual ~FrameRenderer() = default;

    // A fresh surface for the next frame, cleared as a new picture box is; valid until the next
    // call.
    virtual Surface& newFrame() = 0;

    // Writes what was drawn on the surface since newFrame() to `file` as PNG (161 x 121). Returns
    // an empty string on success, otherwise "<file>: cannot write: <reason>"; a file that could
    // not be written whole is removed again.
    virtual std::string writePng(const std::filesystem::path& file) = 0;
};

// The module's one exported function: a new renderer, owned by the caller.
inline constexpr const char* kCreateFrameRendererSymbol = "vireo_create_frame_renderer";
using CreateFrameRenderer = FrameRenderer* (*)();

} // namespace vireo
