// Writes the synthetic example frames pic0.bmp .. pic12.bmp into the folder named on the
// command line. The output is the same, byte for byte, on every platform.
#include "bmp_writer.h"
#include "floor_scene.h"
#include "sample_scenes.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: vireo-make-samples OUTPUT_FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::string reason = error.message();
        std::transform(reason.begin(), reason.end(), reason.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::cerr << folder.string() << ": cannot create folder: " << reason << '\n';
        return 1;
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
