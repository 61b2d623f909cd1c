// vireo-cli: the window's frame processing without a window, one record per "Find Center" run.

#include "app/cli/cli_options.h"
#include "app/cli/frame_runner.h"
#include "app/cli/output_files.h"
#include "app/cli/progress_line.h"
#include "app/cli/record_writer.h"
#include "input/frame_list.h"
#include "text/reason_text.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using vireo::CliOptions;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void printError(const std::string& message) {
    std::fprintf(stderr, "vireo-cli: %s\n", message.c_str());
}

void printError(const vireo::Error& error) {
    printError(error.message());
}

// Creates the output folders up front: without them no frame could be completed.
bool makeOutputFolders(const CliOptions& options) {
    bool ok = true;
    for (const auto& folder : {options.edgesDir, options.renderDir}) {
        if (!folder)
            continue;
        if (const auto made = vireo::makeOutputFolder(*folder); !made) {
            printError(made.error());
            ok = false;
        }
    }
    return ok;
}

int processFrames(const CliOptions& options, const vireo::FrameList& frames) {
    vireo::FrameRunner runner(options);
    vireo::RecordWriter writer(STDOUT_FILENO, options.format);
    vireo::ProgressLine progress(vireo::frameCount(frames));
    writer.writeHeader();

    bool allProcessed = true;
    long long done = 0;
    for (const vireo::FrameRange& range : frames) {
        // Counted in long long: the range may end at the largest int.
        for (long long frame = range.first; frame <= range.last && !writer.failed(); ++frame) {
            allProcessed = runner.process(static_cast<int>(frame)) && allProcessed;
            for (const vireo::RunRecord& record : runner.records())
                writer.write(record);
            if (!runner.errors().empty())
                progress.clear();
            for (const vireo::Error& error : runner.errors())
                printError(error);
            progress.update(++done);
        }
    }
    writer.flush();
    progress.clear();

    // A reader that stopped reading (`vireo-cli | head -1`) is a normal end, not an error.
    if (writer.failed() && writer.errorNumber() != EPIPE) {
        printError("cannot write records: " +
                   vireo::reasonText(std::strerror(writer.errorNumber())));
        return kExitFailure;
    }
    return allProcessed ? EXIT_SUCCESS : kExitFailure;
}

int run(const CliOptions& options) {
    vireo::FrameList frames = options.frames;
    if (frames.empty()) {
        auto search = vireo::findFrames(options.folder);
        if (!search) {
            printError(search.error());
            return kExitFailure;
        }
        if (search->empty()) {
            const std::string folder = options.folder.empty() ? "." : options.folder.string();
            printError("no picN.bmp frames in " + folder);
            return kExitFailure;
        }
        frames = std::move(*search);
    }
    if (!makeOutputFolders(options))
        return kExitFailure;
    return processFrames(options, frames);
}

} // namespace

int main(int argc, char** argv) {
    // Writes to a closed pipe then fail with EPIPE instead of killing the process.
    std::signal(SIGPIPE, SIG_IGN);

    const vireo::CommandLine commandLine =
        vireo::parseCommandLine(std::vector<std::string>(argv, argv + argc));
    switch (commandLine.action) {
    case vireo::CommandLine::Action::ShowHelp:
        std::fputs(commandLine.help.c_str(), stdout);
        return EXIT_SUCCESS;
    case vireo::CommandLine::Action::ShowVersion:
        std::printf("vireo-cli %s\n", VIREO_VERSION);
        return EXIT_SUCCESS;
    case vireo::CommandLine::Action::UsageError:
        printError(commandLine.error.message());
        std::fputs("Try 'vireo-cli --help' for more information.\n", stderr);
        return kExitUsage;
    case vireo::CommandLine::Action::Run:
        break;
    }
    return run(commandLine.options);
}
