#include "app/window/frm_main.h"

#include "app/cli/cli_options.h"
#include "app/window/folder_drop.h"
#include "app/window/live_view.h"
#include "app/window/pixel_readout.h"
#include "app/window/recording_opening.h"
#include "app/window/recording_view.h"
#include "input/frame_list.h"
#include "sources/folder_recordings.h"
#include "sources/live_stream.h"
#include "sources/recording.h"
#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "ui/wrap_button.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <algorithm>
#include <iostream>
#include <system_error>
#include <utility>

namespace vireo {

namespace {

const QKeySequence kDisplayPictureKey(Qt::CTRL | Qt::Key_D);
const QKeySequence kFindCenterKey(Qt::CTRL | Qt::Key_F);
const QKeySequence kOpenFolderKey(Qt::CTRL | Qt::Key_O);
const QKeySequence kRecordingViewKey(Qt::CTRL | Qt::Key_R);
const QKeySequence kNextFlaggedKey(Qt::Key_F3);
const QKeySequence kPreviousFlaggedKey(Qt::SHIFT | Qt::Key_F3);
const QKeySequence kCopyCommandKey(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
const QKeySequence kMarkingKey(Qt::CTRL | Qt::Key_M);
const QKeySequence kUndoMarkKey(Qt::CTRL | Qt::Key_Z);
const QKeySequence kSaveMarksKey(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
const QKeySequence kSuggestedThresholdKey(Qt::CTRL | Qt::Key_T);
const QKeySequence kCancelOpeningKey(Qt::Key_Escape);
const QKeySequence kGoLiveKey(Qt::CTRL | Qt::Key_L);
const QKeySequence kCarryKey(Qt::CTRL | Qt::Key_K);
const QKeySequence kRecordKey(Qt::CTRL | Qt::SHIFT | Qt::Key_R);

// The window with the recording view below the status line.
constexpr QSize kWindowWithViewSize{760, 219 + 380};

QString keyText(const QKeySequence& key) {
    return key.toString(QKeySequence::NativeText);
}

// What the status line says while the mouse is over neither picture.
QString idleStatus() {
    return QStringLiteral("%1 open a recording  \u00b7  %2 Display Picture  \u00b7  %3 Find "
                          "Center  \u00b7  %4 recording view  \u00b7  %5 go live")
        .arg(keyText(kOpenFolderKey), keyText(kDisplayPictureKey), keyText(kFindCenterKey),
             keyText(kRecordingViewKey), keyText(kGoLiveKey));
}

std::optional<std::filesystem::path>
chooseMarksFileWithDialog(QWidget& parent, const std::filesystem::path& suggested) {
    const QString chosen = QFileDialog::getSaveFileName(
        &parent, QStringLiteral("Save the marks as"), QFile::decodeName(suggested.c_str()),
        QStringLiteral("Marks (*.csv)"));
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

std::optional<std::filesystem::path> chooseWithDialog(QWidget& parent,
                                                      const std::filesystem::path& current) {
    std::error_code error;
    const std::filesystem::path start = std::filesystem::absolute(current, error);
    // A video opens itself; a frame file or a picture opens the folder it is in.
    const QString chosen = QFileDialog::getOpenFileName(
        &parent, QStringLiteral("Open a video, or a frame or picture of a folder"),
        QFile::decodeName(start.c_str()));
    if (chosen.isEmpty())
        return std::nullopt;
    const std::filesystem::path file(QFile::encodeName(chosen).toStdString());
    if (frameNumberOfFileName(file.filename().native()) || isPictureFile(file))
        return file.parent_path();
    return file;
}

} // namespace

QString windowTitleFor(const std::filesystem::path& folder) {
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    if (!error && std::filesystem::equivalent(where, here, error))
        return QStringLiteral("Vireo");

    std::filesystem::path shown = std::filesystem::absolute(where, error).lexically_normal();
    if (!shown.has_filename() && shown != shown.root_path())
        shown = shown.parent_path(); // "/frames/" reads "/frames"
    // The platform adds " — " and the program's name to any title that does not end in it, so
    // the title is written that way round.
    return QFile::decodeName(shown.c_str()) + QStringLiteral(" \u2014 Vireo");
}

frmMain::frmMain(RecordingSource source, QWidget* parent)
    : QWidget(parent)
    , controls_(createFrmMainControls(*this))
    , tracker_({&controls_.Picture3->surface(), &controls_.Picture4->surface()})
    , statusLine_(createStatusLine(*this))
    , recordingView_(new RecordingView(this))
    , opening_(new RecordingOpening(
          [this](const RecordingSource& source, Expected<std::unique_ptr<Recording>> opened) {
              guarded([&] { recordingOpened(source, std::move(opened)); });
          },
          this))
    , live_(new LiveView(tracker_, controls_, *this))
    , chooseFolder_(chooseWithDialog) {
    const FrmMainControls& c = controls_;
    connect(c.Command4, &QPushButton::clicked, this,
            [this] { guarded([this] { Command4_Click(); }); });
    connect(c.Command5, &QPushButton::clicked, this,
            [this] { guarded([this] { Command5_Click(); }); });
    connect(c.picslider, &QSlider::valueChanged, this,
            [this] { guarded([this] { picslider_Change(); }); });
    connect(c.sobelslider, &QSlider::valueChanged, this,
            [this] { guarded([this] { sobelslider_Change(); }); });
    connect(c.sobelslider, &ClickSlider::clicked, this,
            [this] { guarded([this] { sobelslider_Click(); }); });

    for (PictureBox* box : {c.Picture3, c.Picture4}) {
        connect(box, &PictureBox::pointedAt, this, [this, box](QPoint pixel) {
            pointedBox_ = box;
            pointedPixel_ = pixel;
            showReadout();
        });
        connect(box, &PictureBox::left, this, [this, box] {
            if (pointedBox_ == box)
                pointedBox_ = nullptr;
            showReadout();
        });
    }
    recordingView_->setGeometry(0, kFrmMainWindowSize.height(), kWindowWithViewSize.width(),
                                kWindowWithViewSize.height() - kFrmMainWindowSize.height());
    recordingView_->hide();
    connect(recordingView_, &RecordingView::frameChosen, controls_.picslider, &QSlider::setValue);
    connect(recordingView_, &RecordingView::thresholdChosen, controls_.sobelslider,
            &QSlider::setValue);
    connect(recordingView_, &RecordingView::statusChanged, this, [this] {
        viewStatus_ = recordingView_->status();
        showReadout();
    });
    connect(c.Picture3, &PictureBox::clicked, this, [this](QPoint pixel) {
        // A live frame is not a frame of the recording that the marks belong to.
        if (marking_ && !live_->active())
            guarded([this, pixel] { markAt(pixel); });
    });
    connect(opening_, &RecordingOpening::statusChanged, this,
            [this] { setNote(opening_->status()); });
    chooseMarksFile_ = chooseMarksFileWithDialog;
    connect(live_, &LiveView::statusChanged, this, &frmMain::showReadout);
    connect(live_, &LiveView::note, this, &frmMain::setNote);
    connect(live_, &LiveView::openRecording, this, &frmMain::openFolder);
    addShortcuts();
    setAcceptDrops(true);
    tracker_.setFolder(std::move(source));
    setWindowTitle(windowTitleFor(tracker_.folder()));
    showReadout();
}

void frmMain::addShortcuts() {
    // Shortcuts rather than "&" mnemonics, which would underline a letter of the captions.
    const FrmMainControls& c = controls_;
    new QShortcut(kDisplayPictureKey, this, c.Command4, &QPushButton::click);
    new QShortcut(kFindCenterKey, this, c.Command5, &QPushButton::click);
    new QShortcut(kOpenFolderKey, this, this, [this] { guarded([this] { chooseFolder(); }); });
    new QShortcut(kRecordingViewKey, this, this, [this] { toggleRecordingView(); });
    new QShortcut(kNextFlaggedKey, this, this, [this] { stepToFlaggedFrame(+1); });
    new QShortcut(kPreviousFlaggedKey, this, this, [this] { stepToFlaggedFrame(-1); });
    new QShortcut(kCopyCommandKey, this, this, [this] { copyAsCommand(); });
    new QShortcut(kMarkingKey, this, this, [this] { toggleMarking(); });
    new QShortcut(kUndoMarkKey, this, this, [this] { guarded([this] { undoMark(); }); });
    new QShortcut(kSaveMarksKey, this, this, [this] { guarded([this] { saveMarksElsewhere(); }); });
    new QShortcut(kSuggestedThresholdKey, this, this, [this] { moveToSuggestedThreshold(); });
    new QShortcut(kCancelOpeningKey, this, opening_, &RecordingOpening::cancel);
    new QShortcut(kGoLiveKey, this, this, [this] { guarded([this] { live_->chooseInput(); }); });
    new QShortcut(kCarryKey, this, this, [this] { guarded([this] { live_->toggleCarry(); }); });
    new QShortcut(kRecordKey, this, this,
                  [this] { guarded([this] { live_->toggleRecording(); }); });
    c.Command4->setToolTip(QStringLiteral("Compute the edge map of the frame and show it (%1)")
                               .arg(keyText(kDisplayPictureKey)));
    c.Command5->setToolTip(QStringLiteral("Find the centre of the path on rows 40, 60 and 80 (%1)")
                               .arg(keyText(kFindCenterKey)));
}

Expected<void> frmMain::Form_Load(const std::optional<std::string>& liveInput) {
    // Setting the value raises sobelslider_Change, which only stores it: nothing is shown yet.
    controls_.sobelslider->setMinimum(0);
    controls_.sobelslider->setMaximum(255);
    controls_.sobelslider->setValue(100);
    if (liveInput) {
        // Live from the start: no frame of the recording is loaded.
        const Expected<void> started =
            tracker_.startUp(tracker_.source(), controls_.sobelslider->value(), std::nullopt);
        readMarks();
        live_->start(*liveInput, tracker_.source().conversion);
        return started;
    }
    if (opensInBackground(tracker_.source())) {
        const Expected<void> started =
            tracker_.startUp(tracker_.source(), controls_.sobelslider->value(), std::nullopt);
        readMarks();
        awaitFirstRecording(true);
        opening_->start(tracker_.source());
        return started;
    }
    // Never below the default 12, so picslider keeps its value 1.
    const auto [reach, conversion] = sliderReachAndConversion(tracker_.source());
    conversion_ = conversion;
    controls_.picslider->setMaximum(reach);
    recordingView_->setFolder(tracker_.source(), controls_.picslider->maximum());
    readMarks();
    recordingView_->setThreshold(controls_.sobelslider->value());
    recordingView_->setFrame(controls_.picslider->value());
    return tracker_.startUp(tracker_.source(), controls_.sobelslider->value(),
                            controls_.picslider->value());
}

void frmMain::openFolder(const std::filesystem::path& folder) {
    guarded([this, &folder] { changeFolder(folder); });
}

bool frmMain::opening() const {
    return opening_->running();
}

void frmMain::changeFolder(const std::filesystem::path& folder) {
    const RecordingSource source(folder, tracker_.source().conversion);
    if (opensInBackground(source)) {
        opening_->start(source);
        return;
    }
    opening_->drop();
    auto opened = openRecording(source);
    if (!opened) {
        setNote(QString::fromStdString(opened.error().message()));
        return;
    }
    useRecording(source, std::move(*opened));
}

void frmMain::recordingOpened(const RecordingSource& source,
                              Expected<std::unique_ptr<Recording>> opened) {
    const bool startUp = awaitingFirst_;
    if (!opened) {
        const QString reason = QString::fromStdString(opened.error().message());
        if (startUp)
            emit startUpFailed(reason);
        else
            setNote(QStringLiteral("Not opened: %1").arg(reason));
        return;
    }
    useRecording(source, std::move(*opened));
    if (startUp && !controls_.Picture3->notice().isEmpty())
        emit startUpFailed(controls_.Picture3->notice());
}

void frmMain::awaitFirstRecording(bool awaiting) {
    awaitingFirst_ = awaiting;
    for (QWidget* control :
         {static_cast<QWidget*>(controls_.picslider), static_cast<QWidget*>(controls_.Command4),
          static_cast<QWidget*>(controls_.Command5)})
        control->setEnabled(!awaiting);
}

void frmMain::useRecording(const RecordingSource& source, std::unique_ptr<Recording> recording) {
    awaitFirstRecording(false);
    const auto [reach, conversion] = sliderReachAndConversion(*recording);
    tracker_.setRecording(source, std::move(recording));
    setWindowTitle(windowTitleFor(source.path));
    // A lower maximum that moves picslider's value raises its change event, which runs the
    // frame change on the new folder; otherwise it runs here. Either way it runs once.
    const int before = controls_.picslider->value();
    conversion_ = conversion;
    controls_.picslider->setMaximum(reach);
    recordingView_->setFolder(source, controls_.picslider->maximum());
    readMarks();
    if (controls_.picslider->value() == before)
        picslider_Change();
}

void frmMain::chooseFolder() {
    if (const auto chosen = chooseFolder_(*this, tracker_.folder()))
        changeFolder(*chosen);
}

void frmMain::Command4_Click() {
    tracker_.displayPicture();
    live_->displayPressed();
}

void frmMain::Command5_Click() {
    const auto run = tracker_.findCenter();
    if (!run)
        return;
    controls_.middiff->setText(QString::number(run->forecast()));
    live_->centresFound();
    ++centerPresses_;
    pressThresholds_.insert(tracker_.state().sobelthresh);
}

void frmMain::picslider_Change() {
    live_->stop(); // the recording's frames again
    controls_.middiff->setText(QStringLiteral("N/A"));
    centerPresses_ = 0;
    pressThresholds_.clear();
    recordingView_->setFrame(controls_.picslider->value());
    showMarks();
    const Expected<void> loaded = tracker_.changeFrame(controls_.picslider->value());
    // A frame that cannot be loaded leaves the window usable, with the reason on Picture3.
    controls_.Picture3->setNotice(loaded ? QString()
                                         : QString::fromStdString(loaded.error().message()));
    emit frameChanged(controls_.picslider->value());
}

void frmMain::sobelslider_Change() {
    tracker_.setThreshold(controls_.sobelslider->value());
    recordingView_->setThreshold(controls_.sobelslider->value());
}

void frmMain::sobelslider_Click() {
    tracker_.setThreshold(controls_.sobelslider->value());
}

void frmMain::showReadout() {
    const FrmMainControls& c = controls_;
    if (pointedBox_ == c.Picture3)
        statusLine_->setText(readPicture3(pointedPixel_, c.Picture3->surface(), state(),
                                          c.Picture3->notice().isEmpty()));
    else if (pointedBox_ == c.Picture4)
        statusLine_->setText(readPicture4(pointedPixel_, c.Picture4->surface(), tracker_));
    else
        statusLine_->setText(
            QStringLiteral("frame %1  \u00b7  threshold %2  \u00b7  ")
                .arg(live_->active() ? live_->frame() : QString::number(c.picslider->value()))
                .arg(c.sobelslider->value()) +
            (live_->active() ? live_->figures() + QStringLiteral("  \u00b7  ") : QString()) +
            (!viewStatus_.isEmpty()   ? viewStatus_
             : !note_.isEmpty()       ? note_
             : !conversion_.isEmpty() ? conversion_ + QStringLiteral("  \u00b7  ") + idleStatus()
                                      : idleStatus()));
}

void frmMain::toggleRecordingView() {
    const bool show = !recordingView_->isVisible();
    const QSize size = show ? kWindowWithViewSize : kFrmMainWindowSize;
    setFixedSize(size);
    // The status line runs the window's width, for the view's longer notes.
    statusLine_->resize(size.width() - 16, statusLine_->height());
    recordingView_->setVisible(show);
    if (!show) {
        viewStatus_.clear();
        showReadout();
    }
}

void frmMain::stepToFlaggedFrame(int direction) {
    if (!recordingView_->isVisible())
        return;
    if (const auto frame = recordingView_->flaggedFrame(direction))
        controls_.picslider->setValue(*frame);
}

void frmMain::copyAsCommand() {
    std::error_code error;
    CliOptions options;
    const int threshold = controls_.sobelslider->value();
    options.thresholds = {threshold};
    if (live_->active()) {
        // Live, the command reads the same input and prints each frame's numbers as they come.
        const std::string& input = live_->input();
        options.folder = input == "-" || isUrl(input)
                             ? std::filesystem::path(input)
                             : std::filesystem::absolute(input, error).lexically_normal();
        options.conversion.fit = tracker_.source().conversion.fit;
        options.carry = live_->carrying();
        const QString command = QFile::decodeName(shellCommand(options).c_str());
        QGuiApplication::clipboard()->setText(command);
        setNote(QStringLiteral("Copied: %1").arg(command));
        return;
    }
    const std::filesystem::path where = tracker_.folder().empty() ? "." : tracker_.folder();
    options.folder = std::filesystem::absolute(where, error).lexically_normal();
    options.conversion = tracker_.source().conversion;
    options.runs = std::max(1, centerPresses_);
    options.frames = {{controls_.picslider->value(), controls_.picslider->value()}};
    const QString command = QFile::decodeName(shellCommand(options).c_str());
    QGuiApplication::clipboard()->setText(command);
    if (pressThresholds_.size() > 1)
        setNote(QStringLiteral("Copied; the presses of Find Center were made at different "
                               "thresholds, the command uses the current one, %1")
                    .arg(threshold));
    else if (centerPresses_ == 0)
        setNote(QStringLiteral("Copied; no Find Center since the frame was loaded, the command "
                               "runs it once"));
    else
        setNote(QStringLiteral("Copied: %1").arg(command));
}

void frmMain::setNote(QString note) {
    note_ = std::move(note);
    showReadout();
}

std::filesystem::path frmMain::marksFile() const {
    return marksStore_ ? marksStore_->file() : marksFileFor(tracker_.folder());
}

void frmMain::readMarks() {
    marksStore_ = MarksStore::forRecording(tracker_.folder());
    markEditor_.reset(marksStore_->marks());
    if (marksStore_->unreadable())
        setNote(unreadableMarksNote());
    showMarks();
}

QString frmMain::unreadableMarksNote() const {
    return QStringLiteral("Marks not read, clicks mark nothing: %1; mend the file and open the "
                          "folder again, or %2 keeps new marks in another file")
        .arg(QString::fromStdString(marksStore_->unreadable()->message()), keyText(kSaveMarksKey));
}

void frmMain::showMarks() {
    QList<QPoint> crosses;
    if (marking_)
        for (const Mark& mark : markEditor_.marks().ofFrame(controls_.picslider->value()))
            crosses.append(QPoint(mark.columnTenths / 10, mark.row));
    controls_.Picture3->setCrosses(crosses);
    recordingView_->setMarks(markEditor_.marks());
}

void frmMain::toggleMarking() {
    marking_ = !marking_;
    setNote(marking_ ? QStringLiteral("Marking on: click the path's centre on the left picture "
                                      "near row 40, 60 or 80; %1 undoes, %2 ends marking")
                           .arg(keyText(kUndoMarkKey), keyText(kMarkingKey))
                     : QStringLiteral("Marking off"));
    showMarks();
}

void frmMain::markAt(QPoint pixel) {
    if (marksStore_->unreadable()) {
        setNote(unreadableMarksNote());
        return;
    }
    const Expected<Mark> marked =
        markEditor_.mark(controls_.picslider->value(), pixel.x(), pixel.y());
    if (!marked) {
        setNote(QString::fromStdString(marked.error().message()));
        return;
    }
    setNote(QStringLiteral("Marked frame %1, row %2 at column %3")
                .arg(marked->frame)
                .arg(marked->row)
                .arg(marked->column(), 0, 'f', 1));
    saveMarks();
}

void frmMain::undoMark() {
    if (!markEditor_.undo()) {
        setNote(QStringLiteral("Nothing to undo"));
        return;
    }
    setNote(QStringLiteral("Mark undone"));
    saveMarks();
}

void frmMain::saveMarks() {
    showMarks();
    if (const Expected<void> saved = marksStore_->save(markEditor_.marks()); !saved)
        setNote(QStringLiteral("Marks kept in memory only, %1; %2 saves them elsewhere")
                    .arg(QString::fromStdString(saved.error().message()), keyText(kSaveMarksKey)));
}

void frmMain::saveMarksElsewhere() {
    const auto chosen = chooseMarksFile_(*this, marksFile());
    if (!chosen)
        return;
    if (const Expected<void> saved = marksStore_->saveAs(*chosen, markEditor_.marks()); !saved) {
        setNote(QString::fromStdString(saved.error().message()));
        return;
    }
    setNote(QStringLiteral("Marks saved in %1").arg(QFile::decodeName(chosen->c_str())));
}

void frmMain::moveToSuggestedThreshold() {
    if (const auto threshold = recordingView_->suggestedThreshold())
        controls_.sobelslider->setValue(*threshold);
    else
        setNote(QStringLiteral("No suggested threshold: it needs marks on loaded frames and the "
                               "recording view's sweep (%1)")
                    .arg(keyText(kRecordingViewKey)));
}

void frmMain::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    for (const QWidget* box :
         {static_cast<QWidget*>(controls_.Picture3), static_cast<QWidget*>(controls_.Picture4)})
        painter.drawRect(box->geometry().adjusted(-1, -1, 0, 0));
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData() && folderToOpen(*event->mimeData()))
        event->acceptProposedAction();
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData() && folderToOpen(*event->mimeData()))
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    const auto folder = event->mimeData() ? folderToOpen(*event->mimeData()) : std::nullopt;
    if (!folder)
        return;
    event->acceptProposedAction();
    openFolder(*folder);
}

template <typename Handler> void frmMain::guarded(Handler handler) {
    try {
        handler();
        showReadout();
    } catch (const std::exception& error) {
        reportUnexpected(error);
    }
}

void frmMain::reportUnexpected(const std::exception& error) {
    const QString reason = QString::fromStdString(error.what());
    std::cerr << "vireo: " << error.what() << '\n';
    QMessageBox::critical(this, QString(), reason);
    QCoreApplication::exit(1);
}

} // namespace vireo
