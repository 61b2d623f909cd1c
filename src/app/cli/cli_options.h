#pragma once

#include "errors/error.h"
#include "input/frame_list.h"
#include "sources/recording.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vireo {

enum class RecordFormat { Csv, Jsonl };

// What one run of vireo-cli is asked to do.
struct CliOptions {
    // The recording: a folder of frames or of pictures (empty for the current directory) or a
    // video file, and how its pictures become frames.
    std::filesystem::path folder;
    Conversion conversion;
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
    FrameList frames;                               // empty: every frame file of the folder
    std::optional<int> frameLimit;                  // --frames: end a live input after so many
    std::optional<std::filesystem::path> recordDir; // --record: record a live input's frames here
    // --carry: each frame's search starts from the previous frame's centres (one threshold).
    bool carry = false;

    friend bool operator==(const CliOptions&, const CliOptions&) = default;
};

// The options whose value names a file or folder, other than the frames' folder: their long name,
// their help (in lines that fit 79 columns beside the option names), the name of the value, what
// an empty value lacks, and where the value goes.
struct PathOption {
    const char* name;
    const char* help;
    const char* valueName;
    const char* needs;
    std::optional<std::filesystem::path> CliOptions::*target;
};
inline constexpr std::array kPathOptions{
    PathOption{"--edges-dir",
               "Also write each frame's edge map as\nOUT/edgesN.pgm (0 edge, 255 background).",
               "OUT", "a folder name", &CliOptions::edgesDir},
    PathOption{"--render-dir",
               "Also write each frame's edge picture with the\n"
               "overlay of the last run, as the window shows it\n"
               "(161 x 121), as OUT/vireoN.png.",
               "OUT", "a folder name", &CliOptions::renderDir},
    PathOption{"--marks",
               "Marks of where the path really is\n"
               "(frame,row,column) for the summary's marked,\n"
               "error and suggested columns (default: the\n"
               "folder's vireo-marks.csv when it exists).",
               "FILE", "a file name", &CliOptions::marksFile},
    PathOption{"--record",
               "Record the live frames processed into a new\n"
               "folder DIR/vireo-YYYYMMDD-HHMMSS: picN.bmp and\n"
               "vireo-frames.csv\n"
               "(frame,arrival_ms,dropped_before).",
               "DIR", "a folder name", &CliOptions::recordDir},
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

// The values of --fps R (a whole number or a fraction N/D of whole numbers, 1/1000 to 1000) and
// of --fit (stretch or crop), which both programs take.
Expected<FrameRate> parseFrameRate(const std::string& text);
Expected<Fit> parseFit(const std::string& text);

// The arguments, without the program's name, that parseCommandLine turns back into `options`.
std::vector<std::string> commandArguments(const CliOptions& options);

// "vireo-cli" and commandArguments(options) as one line for a POSIX shell, each argument quoted
// where the shell would change it: the command that repeats the run.
std::string shellCommand(const CliOptions& options);

} // namespace vireo
