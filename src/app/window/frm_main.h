#pragma once

#include "app/window/frm_main_layout.h"
#include "errors/error.h"
#include "marks/marks.h"
#include "marks/marks_store.h"
#include "tracker/tracker.h"

#include <QWidget>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>

class QLabel;

namespace vireo {

class LiveView;
class PictureBox;
class RecordingOpening;
class RecordingView;

// The main window. Its six handlers each take one of the operator's steps on its Tracker, which
// draws on the two picture boxes, and then do what only the window does: the forecast label, the
// notice on a frame that cannot be loaded, the status line.
//
// For the operator it also offers: frame numbers up to the highest picN.bmp of the folder;
// another folder by dropping it (or a picN.bmp in it) on the window or by Ctrl+O; a status line
// below the controls that reads out the pixel under the mouse, or else the frame number and the
// threshold; Ctrl+D and Ctrl+F for the two buttons; and a live input (LiveView, Ctrl+L), whose
// frames go through the same Tracker.
class frmMain : public QWidget {
    Q_OBJECT

public:
    // Asks the operator for a folder, starting at `current`; nullopt when cancelled.
    using FolderChooser = std::function<std::optional<std::filesystem::path>(
        QWidget& parent, const std::filesystem::path& current)>;

    // Creates the window and its controls; nothing is loaded until Form_Load(). An empty path
    // means the current directory; the conversion holds for every recording the window opens.
    explicit frmMain(RecordingSource source, QWidget* parent = nullptr);

    // Start-up: gives sobelslider 0..255 and the value 100, lets picslider reach the folder's
    // highest frame number, and starts the tracker up with that threshold on the frame picslider
    // stands at (1). The error is the refusal of that frame; the caller then reports it and
    // never shows the window. With `liveInput`, no frame is loaded and the window goes live on
    // that input instead.
    // A video or a folder of pictures is opened off the window's thread instead, with its
    // progress in the status line and picslider and the buttons disabled until it is open; the
    // start-up then ends with the frame change to picslider's frame, and a refusal of the
    // recording or of that frame raises startUpFailed().
    Expected<void> Form_Load(const std::optional<std::string>& liveInput = std::nullopt);

    // The live input: going live, recording, and the hooks tests answer its dialogs with.
    LiveView& live() { return *live_; }

    // Reads frames from `folder` from now on: the title names it, picslider's maximum becomes
    // its highest frame number (12 at least), and one frame change loads the frame picslider
    // then stands at from it. A video or a folder of pictures is opened off the window's thread
    // first (Esc cancels); until it is open the previous recording stays, and when it is refused
    // the status line says why.
    void openFolder(const std::filesystem::path& folder);

    // A recording is being opened off the window's thread.
    bool opening() const;

    // Replaces the folder dialog that Ctrl+O opens (tests answer it themselves).
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

    // Asks where to save the marks, starting at `suggested`; nullopt when cancelled.
    using MarksFileChooser = std::function<std::optional<std::filesystem::path>(
        QWidget& parent, const std::filesystem::path& suggested)>;
    // Replaces the save dialog that Ctrl+Shift+S opens.
    void setMarksFileChooser(MarksFileChooser chooser) { chooseMarksFile_ = std::move(chooser); }

    // The operator's marks of the folder, as shown and as last saved or kept in memory.
    const Marks& marks() const { return markEditor_.marks(); }
    // Where the marks are saved: the folder's vireo-marks.csv, or the file chosen instead.
    std::filesystem::path marksFile() const;

    const TrackingState& state() const { return tracker_.state(); }
    const std::filesystem::path& folder() const { return tracker_.folder(); }

signals:
    // A frame change has run: picslider's frame was loaded, or refused with a notice on Picture3.
    void frameChanged(int frameNumber);
    // The recording opened at start-up off the window's thread, or its first frame, was refused.
    void startUpFailed(const QString& reason);

protected:
    // Outlines the two picture surfaces just outside their 161 x 121 pixels, so that a blank
    // surface can be told from the window around it.
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void Command4_Click();
    void Command5_Click();
    void picslider_Change();
    void sobelslider_Change();
    void sobelslider_Click();

    void changeFolder(const std::filesystem::path& folder);
    void recordingOpened(const RecordingSource& source,
                         Expected<std::unique_ptr<Recording>> opened);
    // Reads frames from `recording`, opened from `source`, from now on (see openFolder).
    void useRecording(const RecordingSource& source, std::unique_ptr<Recording> recording);
    // While the recording of start-up opens, picslider and the buttons wait for it.
    void awaitFirstRecording(bool awaiting);
    // Shows or hides the recording view below the controls; the window grows to hold it.
    void toggleRecordingView();
    // Moves picslider to the next (+1) or previous (-1) frame the recording view flags.
    void stepToFlaggedFrame(int direction);
    // Puts the vireo-cli command that prints the numbers the window shows on the clipboard.
    void copyAsCommand();
    // Turns marking on or off: while on, a click on Picture3 marks the path's centre there.
    void toggleMarking();
    void markAt(QPoint pixel);
    void undoMark();
    // Reads the folder's marks file, if any. One that cannot be read whole is reported and kept
    // as it is: while it stands, clicks mark nothing.
    void readMarks();
    // Why clicks mark nothing while the marks file cannot be read, and how to go on.
    QString unreadableMarksNote() const;
    // Writes the marks after a change; when that fails they stay in memory and the status line
    // says so.
    void saveMarks();
    void saveMarksElsewhere();
    void showMarks();
    void moveToSuggestedThreshold();
    void setNote(QString note);
    void chooseFolder();
    void addShortcuts();
    void showReadout();
    // Runs a handler, then brings the status line up to date; an error no handler expects is
    // reported and ends the program.
    template <typename Handler> void guarded(Handler handler);
    void reportUnexpected(const std::exception& error);

    FrmMainControls controls_;
    Tracker tracker_;
    QLabel* statusLine_;
    RecordingView* recordingView_;
    RecordingOpening* opening_;
    bool awaitingFirst_ = false;
    LiveView* live_;
    // "Find Center" presses that ran since the frame was loaded, and at which thresholds.
    int centerPresses_ = 0;
    std::set<int> pressThresholds_;
    // What the recording view has to say (progress, the numbers under the mouse), and the
    // window's last note; the status line shows them, in that order of precedence, while the
    // mouse points at neither picture, and the keys when both are empty.
    QString viewStatus_;
    QString note_;
    QString conversion_; // what a video's or a folder of pictures' frames are converted from
    MarkEditor markEditor_;
    bool marking_ = false;
    // The folder's marks file, or the one chosen with Ctrl+Shift+S; set from Form_Load on.
    std::optional<MarksStore> marksStore_;
    MarksFileChooser chooseMarksFile_;
    FolderChooser chooseFolder_;
    // The picture box and pixel the mouse points at, if any.
    PictureBox* pointedBox_ = nullptr;
    QPoint pointedPixel_;
};

// The window's title for frames read from `folder`: "Vireo" for the current directory, where
// the program looks by default, otherwise the folder's absolute path and the program's name,
// "/home/ana/run7 — Vireo".
QString windowTitleFor(const std::filesystem::path& folder);

} // namespace vireo
