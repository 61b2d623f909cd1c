#pragma once

#include "errors/error.h"
#include "sources/live_stream.h"
#include "sources/recording.h"

#include <filesystem>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace vireo {

// The part of the engine that reads with FFmpeg's libraries: videos, folders of pictures and
// live inputs. It is a module of its own, vireo-media.so, loaded on first use, so that a program
// that only reads folders of picN.bmp never loads those libraries (225 shared libraries: about
// 50 ms and 45 MB at every start).
struct MediaLibrary {
    Expected<std::unique_ptr<Recording>> (*openVideo)(const std::filesystem::path& path,
                                                      const Conversion& conversion,
                                                      const OpeningControl& control);
    Expected<std::unique_ptr<Recording>> (*openPictureFolder)(const std::filesystem::path& folder,
                                                              const Conversion& conversion,
                                                              const OpeningControl& control);
    bool (*isPictureFile)(const std::filesystem::path& path);
    bool (*isVideoFile)(const std::filesystem::path& path);
    std::vector<std::string> (*listCameras)();
    Expected<std::unique_ptr<LiveStream>> (*openLiveStream)(const std::string& input,
                                                            const Conversion& conversion,
                                                            std::stop_token stop);
};

// The module's file name, and the one function it exports: `const MediaLibrary*
// vireo_media_library()`.
inline constexpr const char* kMediaModuleName = "vireo-media.so";
inline constexpr const char* kMediaLibrarySymbol = "vireo_media_library";

// The module's functions, loaded the first time from the installed place (lib/vireo/modules
// beside the program's bin/) or else from the build tree. Refused, naming the module and why, when it
// cannot be loaded; every call after gives the same answer.
Expected<const MediaLibrary*> mediaLibrary();

} // namespace vireo
