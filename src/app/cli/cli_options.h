#pragma once

#include "input/frame_list.h"
#include "errors/error.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vireo {

enum class RecordFormat { Csv, Jsonl };

// What one run of vireo-cli is asked to do.
struct CliOptions {
    std::filesystem::path folder;     // where the frames are; empty for the current directory
    std::vector<int> thresholds{100}; // edge thresholds 0..255, ascending, each once
    int runs = 1;                     // "Find Center" runs per frame and threshold, 1..1000
    bool summary = false;             // one line per threshold instead of records
    int jobs = 0;                     // threads for frames; 0: one per processor core
    RecordFormat format = RecordFormat::Csv;
    std::optional<std::filesystem::path> edgesDir;  // write OUT/edgesN.pgm (edgesN-tT.pgm)
    std::optional<std::filesystem::path> renderDir; // write OUT/vireoN.png (vireoN-tT.png)
    // The operator's marks for the summary's error columns; unset: the folder's vireo-marks.csv
    // when it exists.
    std::optional<std::filesystem::path> marksFile;
    FrameList frames; // empty: every frame file of the folder
};

struct CommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, UsageError };

    Action action = Action::Run;
    CliOptions options; // meaningful for Run
    Error error;        // what is wrong, for UsageError
    std::string help;   // usage, options, record columns and exit statuses, for ShowHelp
};

// Parses the program's arguments as the bytes it was given (arguments[0] being the program), so a
// folder name need not be valid UTF-8. Never exits the process and never prints; the caller acts
// on the result.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

} // namespace vireo
