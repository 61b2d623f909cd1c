#pragma once

#include "bmp_builder.h"
#include "sources/recording.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vireo::testing {

// Runs `ffmpeg -v error -y ARGUMENTS` in `folder`; fails the test when it fails.
void runFfmpeg(const std::filesystem::path& folder, const std::string& arguments);

// Every frame of the recording, read in order.
std::vector<std::vector<std::uint8_t>> readAll(ConvertedRecording& recording);

ConvertedRecording& converted(std::unique_ptr<Recording>& recording);

} // namespace vireo::testing
