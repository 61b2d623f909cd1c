#pragma once

#include "app/window/frm_main_layout.h"
#include "errors/error.h"
#include "live/frame_recorder.h"
#include "live/live_capture.h"
#include "live/live_figures.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;
class QWidget;

namespace vireo {

class Tracker;

// The window's live input: a camera, a pipe or FIFO, or a stream, read on a thread of its own
// (LiveCapture). The newest frame is shown on Picture3 as a frame change of the window's
// Tracker, followed by the steps the operator has pressed since going live: "Display Picture",
// then also "Find Center". The reading thread only wakes the window's thread, through an eventfd
// counter that never blocks it and never queues more than one wake-up; the window's thread takes
// the newest frame from the mailbox when it gets to it, so nothing queues and the window never
// waits.
//
// It also records the frames shown into a new folder (FrameRecorder), in a parent folder the
// operator chooses once and the window remembers, and offers to open the recording when it stops.
class LiveView : public QObject {
    Q_OBJECT

public:
    // Asks the operator for one of the inputs listed (cameras, and the input last shown); nullopt
    // when cancelled.
    using InputChooser = std::function<std::optional<std::string>(
        QWidget& parent, const std::vector<std::string>& inputs)>;
    // Asks for the folder that recordings go into, starting at `current`; nullopt when cancelled.
    using FolderChooser = std::function<std::optional<std::filesystem::path>(
        QWidget& parent, const std::filesystem::path& current)>;
    // Asks whether to open the recording just stopped.
    using OpenAsker = std::function<bool(QWidget& parent, const QString& question)>;

    LiveView(Tracker& tracker, const FrmMainControls& controls, QWidget& window);
    // Stops the reading and waits for its thread.
    ~LiveView() override;

    // Goes live on `input`, converted as `conversion` says (its rate is not sampled): Picture3
    // waits for the first picture, the centres are reset; the steps pressed live so far stay.
    void start(const std::string& input, const Conversion& conversion);
    // Leaves live: the reading stops, a recording stops (without offering to open it), and the
    // steps pressed live are forgotten.
    void stop();
    // Live, or ended with its last frame still shown.
    bool active() const { return capture_ != nullptr; }
    // The input has ended (or could not be opened); its last frame stays.
    bool ended() const { return ended_; }
    // The input gone live on last, as given, and whether the centres are carried.
    const std::string& input() const { return input_; }
    bool carrying() const { return carry_; }

    // The operator pressed "Display Picture"; `centresFound` after a "Find Center" that ran.
    void displayPressed();
    void centresFound();

    // The keys: the list of inputs to go live on, carrying the centres from frame to frame, and
    // recording the frames shown.
    void chooseInput();
    void toggleCarry();
    void toggleRecording();

    // The status line's figures while active: "30 fps in, 30 shown, 4.2 ms, 0 dropped";
    // empty otherwise.
    QString figures();
    // The figures as numbers, over the last second.
    LiveFigures::Reading reading() { return figures_.at(LiveFigures::Clock::now()); }
    // The number among the input's pictures of the frame shown, "-" before the first.
    QString frame() const { return frame_ < 0 ? QStringLiteral("-") : QString::number(frame_); }

    void setInputChooser(InputChooser chooser) { chooseInput_ = std::move(chooser); }
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }
    void setOpenAsker(OpenAsker asker) { askOpen_ = std::move(asker); }
    // Runs after each live frame has gone through the steps (tests slow the window down here).
    void setFrameHook(std::function<void()> hook) { frameHook_ = std::move(hook); }

signals:
    // The figures or the state changed: the status line should be brought up to date.
    void statusChanged();
    // Something to tell the operator in the status line.
    void note(const QString& text);
    // The operator asked to open the recording just stopped.
    void openRecording(const std::filesystem::path& folder);

private:
    void takeFrames();
    void show(const LiveFrame& frame);
    void ended(const LiveEnd& end);
    void painted(const PictureBox* box);
    void startRecording();
    // Stops the recording, `why` saying what stopped it when it was not the operator, and
    // offers to open it while live; what to tell the operator, empty without a recording.
    QString stopRecording(const std::optional<Error>& why);

    Tracker& tracker_;
    const FrmMainControls& controls_;
    QWidget& window_;
    std::string input_;     // the input last gone live on
    Conversion conversion_; // and its conversion
    bool showEdges_ = false;
    bool findCentres_ = false;
    bool carry_ = false;
    bool ended_ = false;
    long long frame_ = -1; // the number among the input's pictures of the frame shown
    std::optional<LiveFigures::Clock::time_point> unpainted_; // the arrival of a frame not shown
    LiveFigures figures_;
    LiveFrame taken_;
    std::optional<FrameRecorder> recorder_;
    QTimer statusTimer_;
    InputChooser chooseInput_;
    FolderChooser chooseFolder_;
    OpenAsker askOpen_;
    std::function<void()> frameHook_;
    // The reading thread's wake-ups: an eventfd counter, which the window's thread reads to zero
    // when its notifier fires, so that any number of frames arriving meanwhile costs one event.
    int wakeUps_ = -1;
    QSocketNotifier* wakeUpNotifier_ = nullptr;
    std::unique_ptr<LiveCapture> capture_; // last: its thread stops before the rest goes
};

} // namespace vireo
