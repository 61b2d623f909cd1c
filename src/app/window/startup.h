#pragma once

#include "sources/recording.h"

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

class QMessageBox;

namespace vireo {

class frmMain;

// The start-up failure message: the text "load error", one OK button, no icon and no title, so
// that the application's title shows.
inline const QString kLoadErrorText = QStringLiteral("load error");
std::unique_ptr<QMessageBox> makeLoadErrorBox();

// Shows a message and waits until it is dismissed.
using MessagePresenter = std::function<void(const QString&)>;
// Shows the message in makeLoadErrorBox() style, modally.
void presentModally(const QString& text);

// Creates frmMain on `source` and runs its start-up, going live on `liveInput` when one is
// given. When start-up fails, writes "vireo: <reason>" to `errors`, presents kLoadErrorText,
// destroys the window without ever showing it and returns nullptr. Otherwise shows the window and
// returns it; when the start-up of a recording opened off the window's thread fails later, the same
// is written and presented with the window hidden, and the application's event loop ends with
// status 1.
std::unique_ptr<frmMain> openMainWindow(const RecordingSource& source,
                                        const MessagePresenter& present, std::ostream& errors,
                                        const std::optional<std::string>& liveInput = {});

// The program: `vireo [Qt options] [--samples-by-default] [--fit FIT] [--fps R] [DIR]` opens the
// recording DIR, a folder or a video converted as --fit and --fps say (the current directory
// without one, or the bundled examples with --samples-by-default); `vireo --camera [DEVICE]`
// goes live on DEVICE (a camera, a pipe or FIFO, a stream's URL; the first camera without
// one) with the current directory as its recording; --help and
// --version answer on stdout without opening a window or needing a display. Returns the exit
// status: 0 after the window is closed, 1 after a start-up failure, 2 for bad arguments.
int runVireo(int argc, char* argv[]);

} // namespace vireo
