#pragma once

#include "errors/error.h"
#include "sources/recording.h"
#include "sources/recording_opener.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>

namespace vireo {

// Whether opening `source` reads more than names: a video is indexed and every file of a folder
// without picN.bmp is probed. A folder of picN.bmp, a folder that cannot be read or holds no file,
// and a path that does not exist open at once.
bool opensInBackground(const RecordingSource& source);

// How far picslider reaches on `recording`, and what its conversion is when its pictures are
// converted (empty for frame files): a folder of frames keeps the slider's 0..12 at least, a video
// or a folder of pictures reaches its last frame.
std::pair<int, QString> sliderReachAndConversion(const Recording& recording);
// The same for a source that opens at once (see opensInBackground).
std::pair<int, QString> sliderReachAndConversion(const RecordingSource& source);

// The window's one opening at a time: a RecordingOpener polled from the event loop, its progress
// as a line for the status line, and its end handed to `done` on the window's thread.
class RecordingOpening : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(const RecordingSource&, Expected<std::unique_ptr<Recording>>)>;

    explicit RecordingOpening(Done done, QObject* parent = nullptr);

    // Opens `source`, with one decoder thread unless it names a number; an opening still running
    // is dropped without a word. `done` is given `source` as it is.
    void start(RecordingSource source);
    // Drops the opening running, if any, without a word (something else was opened).
    void drop();
    // Stops the opening running, if any; `done` hears "opening cancelled", whether or not it had
    // just ended.
    void cancel();
    bool running() const { return opener_ != nullptr; }
    // "Opening run7.mp4: 35% (Esc cancels)" while running, empty otherwise.
    const QString& status() const { return status_; }

signals:
    void statusChanged();

private:
    void poll();
    void showProgress();
    void setStatus(QString status);

    Done done_;
    RecordingSource source_; // as asked for; opener_ may open it with other decoder threads
    std::unique_ptr<RecordingOpener> opener_;
    QTimer poller_;
    QString status_;
};

} // namespace vireo
