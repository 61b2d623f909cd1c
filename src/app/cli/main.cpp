// vireo-cli: the window's frame processing without a window, one record per "Find Center" run.

#include "app/cli/cli_options.h"
#include "app/cli/frame_runner.h"
#include "app/cli/output_files.h"
#include "app/cli/progress_line.h"
#include "app/cli/record_writer.h"
#include "app/cli/stop_on_signal.h"
#include "errors/reason_text.h"
#include "input/bitmap_loader.h"
#include "input/frame_list.h"
#include "live/frame_recorder.h"
#include "live/live_capture.h"
#include "marks/mark_error.h"
#include "marks/marks_store.h"
#include "sources/live_stream.h"
#include "sweep/sweep_driver.h"
#include "sweep/sweep_summary.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <unistd.h>
#include <utility>
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

// Prints `text` on standard output for --help or --version: the exit status, 1 after saying why
// when it could not be written whole (a full disk). A reader that stopped reading is no error.
int printAnswer(const std::string& text) {
    if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0)
        return EXIT_SUCCESS;
    if (errno == EPIPE)
        return EXIT_SUCCESS;
    printError("cannot write to standard output: " + vireo::reasonText(std::strerror(errno)));
    return kExitFailure;
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

// The marks the summary is measured against: the file given, which must read, or the folder's
// marks file when the summary is asked for and the file exists; nullopt without marks.
vireo::Expected<std::optional<vireo::Marks>> readMarks(const CliOptions& options) {
    if (!options.marksFile && !options.summary)
        return std::optional<vireo::Marks>();
    const vireo::MarksStore store = options.marksFile
                                        ? vireo::MarksStore::fromFile(*options.marksFile)
                                        : vireo::MarksStore::forRecording(options.folder);
    if (store.unreadable())
        return *store.unreadable();
    return store.found() ? std::optional(store.marks()) : std::nullopt;
}

// Where each frame's results go, in frame order: its records, or its share of the summary lines,
// and its errors. Knows whether every frame was processed.
class FrameOutput {
public:
    // `marks`, if any, add the error columns to the summary. The frames of `plan.missing` are
    // reported where they fall among those of `plan.present`, which are added one by one.
    FrameOutput(const CliOptions& options, const vireo::FramePlan& plan,
                const std::optional<vireo::Marks>& marks)
        : options_(options)
        , writer_(STDOUT_FILENO, options.format)
        , missing_(plan.missing)
        , progress_(vireo::frameCount(plan.present) + missingFrames(plan)) {
        if (options.summary)
            summary_.emplace(options.thresholds);
        if (summary_ && marks)
            markError_.emplace(*marks, options.thresholds);
        if (summary_)
            writer_.writeSummaryHeader(markError_.has_value());
        else
            writer_.writeHeader();
    }

    // Writes each frame's records as soon as they are made.
    void flushEachFrame() { flushEachFrame_ = true; }

    // A frame that loaded (`results`) or was refused, with the errors it gave.
    void add(const vireo::sweep::FrameSweep* results, std::span<const vireo::Error> errors) {
        reportMissing(present_++);
        if (results && markError_)
            markError_->add(*results);
        if (results && summary_)
            summary_->addLoaded(*results);
        else if (results)
            writeRecords(*results);
        else if (summary_)
            summary_->addFailed();
        if (!errors.empty()) {
            allProcessed_ = false;
            progress_.clear();
        }
        for (const vireo::Error& error : errors)
            printError(error);
        progress_.update(++done_);
        if (flushEachFrame_)
            writer_.flush();
    }

    // Something asked for could not be done (a recording that stopped).
    void failed() { allProcessed_ = false; }

    // A reader that stopped reading ends the run early.
    bool stopped() const { return writer_.failed(); }

    // Writes the summary, if any, and what is buffered; the program's exit status.
    int finish() {
        reportMissing(present_);
        if (summary_)
            writeSummary();
        writer_.flush();
        progress_.clear();
        // A reader that stopped reading (`vireo-cli | head -1`) is a normal end, not an error.
        if (writer_.failed() && writer_.errorNumber() != EPIPE) {
            printError("cannot write records: " +
                       vireo::reasonText(std::strerror(writer_.errorNumber())));
            return kExitFailure;
        }
        return allProcessed_ ? EXIT_SUCCESS : kExitFailure;
    }

private:
    static long long missingFrames(const vireo::FramePlan& plan) {
        long long frames = 0;
        for (const vireo::FramePlan::MissingRun& run : plan.missing)
            frames += static_cast<long long>(run.frames.last) - run.frames.first + 1;
        return frames;
    }

    // Reports the runs of missing frames that come before the present frame `present`, each as
    // one line.
    void reportMissing(long long present) {
        for (; nextMissing_ < missing_.size() && missing_[nextMissing_].after <= present;
             ++nextMissing_) {
            const vireo::FrameRange frames = missing_[nextMissing_].frames;
            const long long count = static_cast<long long>(frames.last) - frames.first + 1;
            if (summary_)
                summary_->addFailed(count);
            allProcessed_ = false;
            progress_.clear();
            printError(vireo::frameFileName(frames.first) + " to " +
                       vireo::frameFileName(frames.last) + ": no such files");
            done_ += count;
        }
    }

    void writeSummary() {
        const std::vector<vireo::sweep::ThresholdSummary> lines = summary_->lines();
        if (!markError_) {
            for (const vireo::sweep::ThresholdSummary& line : lines)
                writer_.write(line);
            return;
        }
        const std::vector<vireo::MarkError::Line> marked = markError_->lines();
        const std::optional<std::size_t> suggested = markError_->suggested();
        for (std::size_t t = 0; t < lines.size(); ++t)
            writer_.write(lines[t],
                          vireo::MarkColumns{marked[t].marked, marked[t].error, suggested == t});
    }

    void writeRecords(const vireo::sweep::FrameSweep& results) {
        for (std::size_t t = 0; t < options_.thresholds.size(); ++t) {
            int run = 0;
            for (const vireo::CenterRun& result : results.runsAt(t))
                writer_.write(vireo::RunRecord{results.frame, options_.thresholds[t], ++run,
                                               result.centres, result.forecast(), result.line.top,
                                               result.line.bottom, result.support});
        }
    }

    const CliOptions& options_;
    vireo::RecordWriter writer_;
    std::vector<vireo::FramePlan::MissingRun> missing_;
    vireo::ProgressLine progress_;
    std::optional<vireo::sweep::SweepSummary> summary_;
    std::optional<vireo::MarkError> markError_;
    std::size_t nextMissing_ = 0;
    long long present_ = 0;
    long long done_ = 0;
    bool allProcessed_ = true;
    bool flushEachFrame_ = false;
};

// Frames whose edge maps or pictures are written go through the operator's steps one by one.
int processWithFiles(const CliOptions& options, const vireo::FramePlan& plan,
                     const std::optional<vireo::Marks>& marks) {
    FrameOutput output(options, plan, marks);
    vireo::FrameRunner runner(options);
    vireo::sweep::FrameSweep results;
    for (const vireo::FrameRange& range : plan.present) {
        // Counted in long long: the range may end at the largest int.
        for (long long frame = range.first; frame <= range.last && !output.stopped(); ++frame) {
            const bool loaded = runner.process(static_cast<int>(frame), results);
            output.add(loaded ? &results : nullptr, runner.errors());
        }
    }
    return output.finish();
}

// Records and summaries alone come from a sweep: each frame loaded once for all thresholds, frames
// spread over the processor's cores, delivered in order.
int processBySweep(const CliOptions& options, const vireo::FramePlan& plan,
                   const std::optional<vireo::Marks>& marks) {
    FrameOutput output(options, plan, marks);
    std::stop_source stop;
    const vireo::sweep::SweepOptions sweep{
        {options.folder, options.conversion}, {options.thresholds, options.runs}, options.jobs};
    vireo::sweep::runSweep(
        plan.present, sweep,
        [&](const vireo::sweep::FrameOutcome& outcome) {
            output.add(outcome.results, outcome.error ? std::span(outcome.error, 1)
                                                      : std::span<const vireo::Error>());
            if (output.stopped())
                stop.request_stop();
        },
        stop.get_token());
    return output.finish();
}

// Every frame of the recording: a folder's picN.bmp numbers, or all frames of a folder of
// pictures or of a video.
vireo::Expected<vireo::FrameList> findAllFrames(const CliOptions& options) {
    std::error_code error;
    if (options.folder.empty() || std::filesystem::is_directory(options.folder, error)) {
        auto found = vireo::findFrames(options.folder);
        if (!found || !found->empty())
            return found;
    }
    auto recording = vireo::openRecording({options.folder, options.conversion});
    if (!recording)
        return recording.error();
    return (*recording)->frames();
}

// The frames asked for, split against the recording's frames; not split when the folder exists
// but cannot be listed, as its files may still open.
vireo::FramePlan planRequest(const CliOptions& options) {
    const vireo::Expected<vireo::FrameList> existing = findAllFrames(options);
    std::error_code error;
    if (!existing &&
        std::filesystem::is_directory(options.folder.empty() ? "." : options.folder, error))
        return {options.frames, {}};
    return vireo::planFrames(options.frames, existing ? *existing : vireo::FrameList{});
}

// Frames of a live input that may wait while one is processed: a burst of 64 (at 1,000 frames a
// second, 64 ms of them, 3.7 MB) is taken in turn rather than dropped; when processing falls
// further behind, the oldest waiting frame gives way to the newest.
constexpr std::size_t kLiveFramesWaiting = 64;

// A live input: each frame goes through the operator's steps as it arrives, its records written
// at once, and with --record into the recording. Nothing is printed and no recording is made
// before the input gives its first frame, so an input that cannot be opened leaves only its
// reason. The run ends with the input, after --frames frames or at Ctrl+C, always with whole
// files.
int processLive(const CliOptions& options) {
    const std::string input = options.folder.string();
    if (options.recordDir) {
        if (const auto made = vireo::makeOutputFolder(*options.recordDir); !made) {
            printError(made.error());
            return kExitFailure;
        }
    }
    // The signals are taken before the reading thread starts, so that it inherits their blocking.
    std::optional<vireo::LiveCapture> capture;
    std::atomic<vireo::LiveCapture*> reading{nullptr};
    std::atomic<bool> interrupted{false};
    const vireo::StopOnSignal interrupt([&] {
        interrupted = true;
        if (vireo::LiveCapture* live = reading.load())
            live->stop();
    });
    capture.emplace(input, vireo::Conversion{options.conversion.fit, std::nullopt, 0},
                    vireo::LiveCapture::Notify{}, kLiveFramesWaiting);
    reading = &*capture;
    if (interrupted)
        capture->stop();

    vireo::LiveFrame frame;
    bool arrived = capture->frames().wait(frame);
    if (!arrived && capture->frames().end()->failed) {
        // A Ctrl+C while the input had not yet opened is a stop asked for, not a failure.
        printError(capture->frames().end()->reason);
        return interrupted ? EXIT_SUCCESS : kExitFailure;
    }
    std::optional<vireo::FrameRecorder> recorder;
    if (options.recordDir && arrived) {
        auto started =
            vireo::FrameRecorder::start(*options.recordDir, std::chrono::system_clock::now());
        if (!started) {
            printError(started.error());
            return kExitFailure;
        }
        recorder.emplace(std::move(*started));
        printError("recording into " + recorder->folder().string());
    }
    FrameOutput output(options, {}, std::nullopt);
    output.flushEachFrame();
    vireo::FrameRunner runner(options);
    vireo::sweep::FrameSweep results;
    int shown = 0;
    bool pending = arrived; // the first frame, taken above
    while (!output.stopped() && (!options.frameLimit || shown < *options.frameLimit) &&
           (std::exchange(pending, false) || capture->frames().wait(frame))) {
        if (recorder) {
            if (const auto added = recorder->add(frame.file, frame.arrival, frame.droppedBefore);
                !added) {
                printError(added.error());
                printError("recording stopped after " + std::to_string(recorder->frames()) +
                           " frames");
                recorder.reset();
                output.failed();
            }
        }
        const std::string name = input + " frame " + std::to_string(shown);
        const bool loaded = runner.process(shown, name, frame.file, results);
        output.add(loaded ? &results : nullptr, runner.errors());
        ++shown;
    }
    capture->stop();
    while (capture->frames().wait(frame)) {
    }
    const vireo::LiveEnd end = *capture->frames().end();
    if (end.failed) {
        printError(end.reason);
        output.failed();
    } else {
        printError(input + ": " + std::to_string(shown) + " frames, " +
                   std::to_string(capture->frames().dropped()) + " dropped; " +
                   (shown == options.frameLimit ? "--frames reached" : end.reason));
    }
    return output.finish();
}

int run(const CliOptions& options) {
    if (vireo::isLiveInput(options.folder.string()))
        return processLive(options);
    if (options.frameLimit || options.recordDir) {
        printError("--frames and --record are for a live input (--input)");
        return kExitUsage;
    }
    vireo::FramePlan plan;
    if (!options.frames.empty()) {
        plan = planRequest(options);
    } else {
        auto search = findAllFrames(options);
        if (!search) {
            printError(search.error());
            return kExitFailure;
        }
        if (search->empty()) {
            const std::string folder = options.folder.empty() ? "." : options.folder.string();
            printError("no picN.bmp frames in " + folder);
            return kExitFailure;
        }
        plan.present = std::move(*search);
    }
    const vireo::Expected<std::optional<vireo::Marks>> marks = readMarks(options);
    if (!marks) {
        printError(marks.error());
        return kExitFailure;
    }
    if (!makeOutputFolders(options))
        return kExitFailure;
    // Carried centres need the frames one after the other, in order.
    if (options.edgesDir || options.renderDir || options.carry)
        return processWithFiles(options, plan, *marks);
    return processBySweep(options, plan, *marks);
}

} // namespace

int main(int argc, char** argv) {
    // Writes to a closed pipe then fail with EPIPE instead of killing the process.
    std::signal(SIGPIPE, SIG_IGN);

    const vireo::CommandLine commandLine =
        vireo::parseCommandLine(std::vector<std::string>(argv, argv + argc));
    switch (commandLine.action) {
    case vireo::CommandLine::Action::ShowHelp:
        return printAnswer(commandLine.help);
    case vireo::CommandLine::Action::ShowVersion:
        return printAnswer(std::string("vireo-cli ") + VIREO_VERSION + "\n");
    case vireo::CommandLine::Action::UsageError:
        printError(commandLine.error.message());
        std::fputs("Try 'vireo-cli --help' for more information.\n", stderr);
        return kExitUsage;
    case vireo::CommandLine::Action::Run:
        break;
    }
    return run(commandLine.options);
}
