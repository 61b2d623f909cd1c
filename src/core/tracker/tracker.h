#pragma once

#include "centers/centers.h"
#include "drawing/null_surface.h"
#include "errors/error.h"
#include "input/grey_conversion.h"
#include "sources/recording.h"
#include "state/tracking_state.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace vireo {

// The operator's steps on a folder of frames, for every program that offers them: the window
// takes one step per event, vireo-cli takes them frame by frame. It owns the tracking state, its
// two flags and the folder the frames are read from:
//
//   state          flags   threshold change            "Find Center"
//   frame-loaded   false   stores the threshold only   does nothing
//   edges-shown    true    stores it, recomputes edges re-estimates the centres
//
// "Display Picture" always leads to edges-shown, a frame change always back to frame-loaded.
//
// Each step draws on the surfaces it was given: the frame file's picture on `picture3`, the edge
// map and the overlay on `picture4`. A null surface is not drawn on, and without `picture4` the
// edge map is computed without being painted.
class Tracker {
public:
    struct Surfaces {
        Surface* picture3 = nullptr;
        Surface* picture4 = nullptr;
    };

    // Nothing loaded yet; the state is zero-filled until startUp(). The surfaces must outlive the
    // tracker; without them nothing is drawn.
    Tracker();
    explicit Tracker(Surfaces surfaces);

    // Start-up: both flags cleared, kernels filled, `threshold` (0..255) stored, scan rows reset,
    // and then, when `frame` is given, that frame loaded from the recording `source` (a folder,
    // the current directory when empty, or a video). The error is the refusal of the recording
    // or of the frame.
    Expected<void> startUp(RecordingSource source, int threshold, std::optional<int> frame);

    // Reads frames from `source` from now on; nothing is loaded until the next frame change.
    void setFolder(RecordingSource source);
    // The same with `recording` already opened from `source` (on another thread, say), so that
    // no frame change has to open it.
    void setRecording(RecordingSource source, std::unique_ptr<Recording> recording);

    // Frame change: both flags cleared, picture4 cleared, scan rows reset (unless carried, see
    // setCarryCentres), frame `frame` loaded.
    // A frame that is refused leaves an empty grey frame, so that "Display Picture" cannot show
    // the previous frame's edges under the new number, and a cleared picture3; the refusal is
    // returned.
    Expected<void> changeFrame(int frame);

    // The same frame change for a frame file already in memory (a live input's frame), `name`
    // being the subject of a refusal.
    Expected<void> changeFrame(const std::string& name, std::span<const std::uint8_t> file);

    // Whether frame changes keep the scan rows' centres, so that each frame's search starts from
    // where the previous frame's ended, as a robot running the search frame after frame does,
    // instead of from the reset centres (column 80). rewindFrame() always resets them.
    void setCarryCentres(bool carry) { carryCentres_ = carry; }

    // The frame change back to the frame loaded last, without reading its file again: both
    // flags cleared, picture4 cleared, scan rows reset. What changeFrame() does for an unchanged
    // file, picture3 and the grey frame kept as they are.
    void rewindFrame();

    // "Display Picture": the edge map of the grey frame at the threshold, painted on picture4;
    // both flags set.
    void displayPicture();

    // Threshold change (0..255): stored, and while the edge map is shown recomputed and
    // repainted at once.
    void setThreshold(int threshold);

    // "Find Center": only in the edges-shown state, otherwise nullopt. Re-estimates the three
    // centres from the ones the previous run stored and draws the overlay on picture4.
    std::optional<CenterRun> findCenter();

    // Without a picture4 surface, whether "Display Picture" and a threshold change compute only
    // the edge map's rows that "Find Center" reads (kSearchedFirstRow..kSearchedLastRow), and a
    // frame change converts only the grey rows those need (one more above and below): the other
    // rows then keep what they held, so only for callers that read no other row of
    // state().edgeimg or state().grayimg. Every centre, forecast, line and support count stays
    // the same.
    void setSearchedRowsOnly(bool only) { searchedRowsOnly_ = only; }

    const TrackingState& state() const { return state_; }
    const std::filesystem::path& folder() const { return source_.path; }
    const RecordingSource& source() const { return source_; }
    // The recording frames are read from, given or opened by the first load; null before it or
    // when it was refused.
    const Recording* recording() const { return recording_.get(); }
    bool edgesShown() const { return state_.picshown; }

private:
    void setFlags(bool value);
    void startFrame(bool resetRows);
    Expected<void> keepLoaded(Expected<void> loaded);
    void computeAndPaintEdges();
    PictureRows greyRows() const;
    Surface& picture4() { return surfaces_.picture4 ? *surfaces_.picture4 : noDrawing_; }
    Expected<void> load(int frame);

    TrackingState state_;
    RecordingSource source_;
    std::unique_ptr<Recording> recording_; // given, or opened by the first load after setFolder
    Surfaces surfaces_;
    NullSurface noDrawing_;
    bool searchedRowsOnly_ = false;
    bool carryCentres_ = false;
};

} // namespace vireo
