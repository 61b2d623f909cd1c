#include "media_fixture.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace vireo::testing {

void runFfmpeg(const std::filesystem::path& folder, const std::string& arguments) {
    const std::string command =
        "cd '" + folder.string() + "' && ffmpeg -nostdin -v error -y " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::vector<std::vector<std::uint8_t>> readAll(ConvertedRecording& recording) {
    std::vector<std::vector<std::uint8_t>> frames(static_cast<std::size_t>(recording.frameCount()));
    for (std::size_t n = 0; n < frames.size(); ++n) {
        const Expected<void> read = recording.readFrame(static_cast<long long>(n), frames[n]);
        EXPECT_TRUE(read) << read.error().message();
    }
    return frames;
}

ConvertedRecording& converted(std::unique_ptr<Recording>& recording) {
    auto* frames = dynamic_cast<ConvertedRecording*>(recording.get());
    if (frames == nullptr)
        throw std::logic_error(recording->description() + " is not converted");
    return *frames;
}

} // namespace vireo::testing
