#include "app/window/live_view.h"

#include "app/window/frm_main.h"
#include "sources/live_stream.h"
#include "tracker/tracker.h"
#include "ui/picture_box.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace vireo {

namespace {

// How often the status line's figures are brought up to date while live.
constexpr int kStatusIntervalMs = 250;

// Where the parent folder of the recordings is remembered.
QSettings settings() {
    return QSettings(QSettings::UserScope, QStringLiteral("vireo"), QStringLiteral("vireo"));
}
const QString kRecordingsFolderKey = QStringLiteral("live/recordingsFolder");

QString shownPath(const std::filesystem::path& path) {
    return QFile::decodeName(path.c_str());
}

std::optional<std::string> chooseInputWithDialog(QWidget& parent,
                                                 const std::vector<std::string>& inputs) {
    QStringList items;
    for (const std::string& input : inputs)
        items.append(QString::fromStdString(input));
    bool chosen = false;
    // Editable, so that a pipe, a FIFO or a stream's URL can be typed in.
    const QString input =
        QInputDialog::getItem(&parent, QStringLiteral("Go live"),
                              QStringLiteral("Camera, pipe or stream:"), items, 0, true, &chosen);
    if (!chosen || input.isEmpty())
        return std::nullopt;
    return input.toStdString();
}

std::optional<std::filesystem::path> chooseFolderWithDialog(QWidget& parent,
                                                            const std::filesystem::path& current) {
    const QString chosen = QFileDialog::getExistingDirectory(
        &parent, QStringLiteral("Record into which folder?"), shownPath(current));
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

bool askWithDialog(QWidget& parent, const QString& question) {
    return QMessageBox::question(&parent, QStringLiteral("Recording stopped"), question) ==
           QMessageBox::Yes;
}

} // namespace

LiveView::LiveView(Tracker& tracker, const FrmMainControls& controls, QWidget& window)
    : QObject(&window)
    , tracker_(tracker)
    , controls_(controls)
    , window_(window)
    , chooseInput_(chooseInputWithDialog)
    , chooseFolder_(chooseFolderWithDialog)
    , askOpen_(askWithDialog)
    , wakeUps_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wakeUps_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd for the live input");
    wakeUpNotifier_ = new QSocketNotifier(wakeUps_, QSocketNotifier::Read, this);
    connect(wakeUpNotifier_, &QSocketNotifier::activated, this, &LiveView::takeFrames);
    statusTimer_.setInterval(kStatusIntervalMs);
    connect(&statusTimer_, &QTimer::timeout, this, &LiveView::statusChanged);
    for (PictureBox* box : {controls_.Picture3, controls_.Picture4})
        connect(box, &PictureBox::painted, this, [this, box] { painted(box); });
}

LiveView::~LiveView() {
    capture_.reset();
    delete wakeUpNotifier_;
    ::close(wakeUps_);
}

void LiveView::start(const std::string& input, const Conversion& conversion) {
    capture_.reset();
    const QString recording = stopRecording(std::nullopt);
    input_ = input;
    conversion_ = conversion;
    ended_ = false;
    frame_ = -1;
    unpainted_.reset();
    figures_ = {};
    // Going live is a frame change: the new input's first frame starts from the reset centres.
    tracker_.rewindFrame();
    controls_.middiff->setText(QStringLiteral("N/A"));
    controls_.Picture3->setNotice(
        QStringLiteral("waiting for %1").arg(QString::fromStdString(input)));
    window_.setWindowTitle(QString::fromStdString(input) + QStringLiteral(" (live) \u2014 Vireo"));
    // Adding to the counter never blocks (it would take 2^64 - 1 frames to fill).
    capture_ = std::make_unique<LiveCapture>(input, conversion, [fd = wakeUps_] {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
    });
    statusTimer_.start();
    emit note(QStringLiteral("Going live on %1").arg(QString::fromStdString(input)) +
              (recording.isEmpty() ? QString() : QStringLiteral("; ") + recording));
}

void LiveView::stop() {
    if (!capture_)
        return;
    capture_.reset();
    if (const QString recording = stopRecording(std::nullopt); !recording.isEmpty())
        emit note(recording);
    statusTimer_.stop();
    showEdges_ = false;
    findCentres_ = false;
    carry_ = false;
    tracker_.setCarryCentres(false);
    controls_.Picture3->setNotice({});
    window_.setWindowTitle(windowTitleFor(tracker_.folder()));
}

void LiveView::displayPressed() {
    showEdges_ = active();
}

void LiveView::centresFound() {
    findCentres_ = active();
}

void LiveView::takeFrames() {
    std::uint64_t wakeUps = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeUps_, &wakeUps, sizeof wakeUps);
    if (!capture_ || ended_)
        return;
    if (capture_->frames().take(taken_))
        show(taken_);
    if (const auto end = capture_->frames().end())
        ended(*end);
}

void LiveView::show(const LiveFrame& frame) {
    tracker_.setCarryCentres(carry_);
    const std::string name = input_ + " frame " + std::to_string(frame.arrived);
    const Expected<void> loaded = tracker_.changeFrame(name, frame.file);
    controls_.Picture3->setNotice(loaded ? QString()
                                         : QString::fromStdString(loaded.error().message()));
    controls_.middiff->setText(QStringLiteral("N/A"));
    if (showEdges_)
        tracker_.displayPicture();
    if (findCentres_)
        if (const auto run = tracker_.findCenter())
            controls_.middiff->setText(QString::number(run->forecast()));
    if (frame_ < 0)
        emit note(QStringLiteral("Live: %1").arg(QString::fromStdString(capture_->description())));
    frame_ = frame.arrived;
    figures_.taken(frame.arrival, frame.droppedBefore);
    unpainted_ = frame.arrival;
    if (recorder_)
        if (const Expected<void> added =
                recorder_->add(frame.file, frame.arrival, frame.droppedBefore);
            !added)
            emit note(stopRecording(added.error()));
    if (frameHook_)
        frameHook_();
}

void LiveView::painted(const PictureBox* box) {
    // The frame is on screen once the last picture its steps drew on has been painted.
    if (!unpainted_ || box != (showEdges_ ? controls_.Picture4 : controls_.Picture3))
        return;
    figures_.painted(*unpainted_, LiveFigures::Clock::now());
    unpainted_.reset();
}

void LiveView::ended(const LiveEnd& end) {
    ended_ = true;
    statusTimer_.stop();
    const QString reason = QString::fromStdString(end.reason);
    // The last frame stays; without one, Picture3 says why none came.
    if (frame_ < 0)
        controls_.Picture3->setNotice(reason);
    const QString recording = stopRecording(std::nullopt);
    emit note(QStringLiteral("%1; Ctrl+L goes live again").arg(reason) +
              (recording.isEmpty() ? QString() : QStringLiteral("; ") + recording));
    emit statusChanged();
}

QString LiveView::figures() {
    if (!capture_)
        return {};
    const LiveFigures::Reading now = reading();
    QString text = QStringLiteral("live ended");
    if (!ended_)
        text = QStringLiteral("%1 fps in, %2 shown, ").arg(now.arrived).arg(now.shown) +
               (now.latencyMs ? QStringLiteral("%1 ms").arg(*now.latencyMs, 0, 'f', 1)
                              : QStringLiteral("- ms"));
    text += QStringLiteral(", %1 dropped").arg(now.dropped);
    if (recorder_)
        text += QStringLiteral(", rec %1").arg(recorder_->frames());
    if (carry_)
        text += QStringLiteral(", carrying");
    return text;
}

void LiveView::chooseInput() {
    std::vector<std::string> inputs = listCameras();
    if (!input_.empty() && std::find(inputs.begin(), inputs.end(), input_) == inputs.end())
        inputs.insert(inputs.begin(), input_);
    if (inputs.empty()) {
        emit note(QStringLiteral("No camera found: no /dev/videoN captures pictures"));
        return;
    }
    if (const auto chosen = chooseInput_(window_, inputs))
        start(*chosen, conversion_);
}

void LiveView::toggleCarry() {
    carry_ = !carry_;
    emit note(carry_ ? QStringLiteral("Each live frame's search starts from the previous "
                                      "frame's centres")
                     : QStringLiteral("Each live frame's search starts from the reset centres"));
}

void LiveView::toggleRecording() {
    if (recorder_)
        emit note(stopRecording(std::nullopt));
    else
        startRecording();
}

void LiveView::startRecording() {
    if (!capture_ || ended_) {
        emit note(QStringLiteral("Nothing to record: Ctrl+L goes live first"));
        return;
    }
    std::filesystem::path parent(
        QFile::encodeName(settings().value(kRecordingsFolderKey).toString()).toStdString());
    std::error_code error;
    if (parent.empty() || !std::filesystem::is_directory(parent, error)) {
        const auto chosen = chooseFolder_(
            window_, std::filesystem::path(QFile::encodeName(QDir::homePath()).toStdString()));
        if (!chosen)
            return;
        parent = *chosen;
        settings().setValue(kRecordingsFolderKey, shownPath(parent));
    }
    Expected<FrameRecorder> started =
        FrameRecorder::start(parent, std::chrono::system_clock::now());
    if (!started) {
        emit note(QStringLiteral("Not recording: %1")
                      .arg(QString::fromStdString(started.error().message())));
        return;
    }
    recorder_.emplace(std::move(*started));
    emit note(QStringLiteral("Recording into %1").arg(shownPath(recorder_->folder())));
}

QString LiveView::stopRecording(const std::optional<Error>& why) {
    if (!recorder_)
        return {};
    const std::filesystem::path folder = recorder_->folder();
    const long long frames = recorder_->frames();
    recorder_.reset();
    const QString stopped =
        why ? QStringLiteral("Recording stopped: %1").arg(QString::fromStdString(why->message()))
            : QStringLiteral("Recording stopped");
    const QString told =
        QStringLiteral("%1, %2 frames in %3").arg(stopped).arg(frames).arg(shownPath(folder));
    if (frames == 0 || !capture_)
        return told;
    // Asked once the frame at hand is done, as opening the recording leaves live.
    QMetaObject::invokeMethod(
        this,
        [this, folder, stopped, frames] {
            if (askOpen_(window_, QStringLiteral("%1 with %2 frames. Open %3?")
                                      .arg(stopped)
                                      .arg(frames)
                                      .arg(shownPath(folder))))
                emit openRecording(folder);
        },
        Qt::QueuedConnection);
    return told;
}

} // namespace vireo
