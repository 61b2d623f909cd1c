// Writes the synthetic example frames pic0.bmp .. pic12.bmp into the folder named on the
// command line, or with --drive N a long generated recording pic0.bmp .. pic<N-1>.bmp. The
// output is the same, byte for byte, on every platform.
#include "bmp_writer.h"
#include "drive_scenes.h"
#include "floor_scene.h"
#include "sample_scenes.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    const bool drive = argc == 4 && std::string(argv[1]) == "--drive";
    const long long driveFrames = drive ? std::atoll(argv[2]) : 0;
    if ((argc != 2 && !drive) || (drive && (driveFrames < 1 || driveFrames > 1000000))) {
        std::cerr << "usage: vireo-make-samples OUTPUT_FOLDER\n"
                     "       vireo-make-samples --drive N OUTPUT_FOLDER   (N 1..1000000)\n";
        return 2;
    }
    const std::filesystem::path folder = argv[argc - 1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::string reason = error.message();
        std::transform(reason.begin(), reason.end(), reason.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::cerr << folder.string() << ": cannot create folder: " << reason << '\n';
        return 1;
    }
    if (drive) {
        for (int n = 0; n < driveFrames; ++n) {
            const auto path = folder / ("pic" + std::to_string(n) + ".bmp");
            const auto bytes = vireo::encodeBmp(vireo::renderFloorScene(vireo::driveScene(n)));
            if (const std::string failure = vireo::writeFile(path, bytes); !failure.empty()) {
                std::cerr << failure << '\n';
                return 1;
            }
        }
        std::cout << folder.string() << ": " << driveFrames << " frames of a generated drive\n";
        return 0;
    }
    const auto& scenes = vireo::sampleScenes();
    for (std::size_t n = 0; n < scenes.size(); ++n) {
        const auto path = folder / ("pic" + std::to_string(n) + ".bmp");
        const auto bytes = vireo::encodeBmp(vireo::renderFloorScene(scenes[n]));
        if (const std::string failure = vireo::writeFile(path, bytes); !failure.empty()) {
            std::cerr << failure << '\n';
            return 1;
        }
        std::cout << path.string() << ": " << scenes[n].description << '\n';
    }
    return 0;
}
