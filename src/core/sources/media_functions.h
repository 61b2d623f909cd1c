#pragma once

#include "sources/live_stream.h"
#include "sources/recording.h"

#include <filesystem>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

// What the media module does with FFmpeg's libraries, behind the functions of the same names
// that the rest of the engine calls (see media_library.h).
namespace vireo::media {

bool isPictureFile(const std::filesystem::path& path);
bool isVideoFile(const std::filesystem::path& path);
std::vector<std::string> listCameras();
Expected<std::unique_ptr<LiveStream>>
openLiveStream(const std::string& input, const Conversion& conversion, std::stop_token stop);

} // namespace vireo::media
