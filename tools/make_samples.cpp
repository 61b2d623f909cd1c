// Writes the synthetic example frames pic0.bmp .. pic12.bmp into the folder named on the
// command line, or with --drive N a long generated recording pic0.bmp .. pic<N-1>.bmp. The
// output is the same, byte for byte, on every platform.
#include "bmp_writer.h"
#include "drive_scenes.h"
#include "floor_scene.h"
#include "sample_scenes.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    CLI::App app("Writes the synthetic example frames pic0.bmp .. pic12.bmp into FOLDER, or with\n"
                 "--drive N a generated recording pic0.bmp .. pic<N-1>.bmp. The output is the\n"
                 "same, byte for byte, on every platform.",
                 "vireo-make-samples");
    std::string folderName;
    long long driveFrames = 0;
    app.add_option("FOLDER", folderName, "Folder to write the frames into, made when missing.")
        ->required();
    app.add_option("--drive", driveFrames, "Write N frames of a generated drive instead.")
        ->check(CLI::Range(1, 1000000))
        ->type_name("N");
    app.set_version_flag("--version", std::string("vireo-make-samples ") + VIREO_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and version go to standard output (status 0), usage errors to standard error (2).
        const int status = app.exit(error) == 0 ? 0 : 2;
        if (!std::cout.flush()) {
            std::cerr << "vireo-make-samples: cannot write to standard output: "
                      << std::strerror(errno) << '\n';
            return 1;
        }
        return status;
    }
    const bool drive = driveFrames > 0;
    const std::filesystem::path folder = folderName;
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
