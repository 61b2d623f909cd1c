#include "app/window/recording_opening.h"

#include "app/window/frm_main_layout.h"
#include "input/frame_list.h"
#include "sources/opening_progress.h"

#include <QFile>
#include <algorithm>
#include <system_error>

namespace vireo {

namespace {

// How often a running opening's progress is shown; also how late its end is noticed at most.
constexpr int kPollMilliseconds = 25;

// The window reads a video a frame at a time, here and there. One decoder thread reaches a frame
// far away sooner than several, which on a machine of few, busy cores mostly wait for one another
// (docs/performance.md, "Videos"); the recording view's sweep, which reads every frame in turn,
// keeps the decoder's own choice.
constexpr int kDecoderThreadsForJumps = 1;

bool holdsAnyFile(const std::filesystem::path& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        std::error_code typeError;
        if (entry->is_regular_file(typeError))
            return true;
    }
    return false;
}

// The name an opening goes by: the file's, or the folder's.
QString shownName(const std::filesystem::path& path) {
    const std::filesystem::path named = path.filename().empty() ? path.parent_path() : path;
    return named.filename().empty() ? QStringLiteral(".")
                                    : QFile::decodeName(named.filename().c_str());
}

} // namespace

bool opensInBackground(const RecordingSource& source) {
    std::error_code error;
    if (!source.path.empty() && !std::filesystem::is_directory(source.path, error))
        return std::filesystem::exists(source.path, error);
    const Expected<FrameList> frames = findFrames(source.path);
    return frames && frames->empty() && holdsAnyFile(source.path);
}

std::pair<int, QString> sliderReachAndConversion(const Recording& recording) {
    const FrameList frames = recording.frames();
    if (dynamic_cast<const ConvertedRecording*>(&recording) == nullptr)
        return {frames.empty() ? kPicsliderDefaultMaximum
                               : std::max(kPicsliderDefaultMaximum, frames.back().last),
                {}};
    return {frames.empty() ? 0 : frames.back().last,
            QString::fromStdString(recording.description())};
}

std::pair<int, QString> sliderReachAndConversion(const RecordingSource& source) {
    const auto opened = openRecording(source);
    if (!opened)
        return {kPicsliderDefaultMaximum, {}};
    return sliderReachAndConversion(**opened);
}

RecordingOpening::RecordingOpening(Done done, QObject* parent)
    : QObject(parent)
    , done_(std::move(done)) {
    poller_.setInterval(kPollMilliseconds);
    connect(&poller_, &QTimer::timeout, this, &RecordingOpening::poll);
}

void RecordingOpening::start(RecordingSource source) {
    drop();
    source_ = source;
    if (source.conversion.decoderThreads == 0)
        source.conversion.decoderThreads = kDecoderThreadsForJumps;
    opener_ = std::make_unique<RecordingOpener>(std::move(source));
    poller_.start();
    showProgress();
}

void RecordingOpening::drop() {
    poller_.stop();
    opener_.reset(); // stops the opening and waits for its thread
    setStatus({});
}

void RecordingOpening::cancel() {
    if (!opener_)
        return;
    // Cancelled, even when the opening ended a moment ago: the operator asked not to have it.
    const RecordingSource source = source_;
    drop();
    done_(source, OpeningProgress::cancelled(shownName(source.path).toStdString()));
}

void RecordingOpening::poll() {
    if (!opener_)
        return;
    if (!opener_->finished()) {
        showProgress();
        return;
    }
    const std::unique_ptr<RecordingOpener> ended = std::move(opener_);
    poller_.stop();
    setStatus({});
    done_(source_, ended->take());
}

void RecordingOpening::showProgress() {
    setStatus(QStringLiteral("Opening %1: %2% (Esc cancels)")
                  .arg(shownName(opener_->source().path))
                  .arg(opener_->percent()));
}

void RecordingOpening::setStatus(QString status) {
    if (status == status_)
        return;
    status_ = std::move(status);
    emit statusChanged();
}

} // namespace vireo
