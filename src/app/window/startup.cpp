#include "app/window/startup.h"

#include "app/cli/cli_options.h"
#include "app/window/frm_main.h"
#include "sources/live_stream.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <exception>
#include <iostream>
#include <optional>
#include <string_view>
#include <system_error>

namespace vireo {

std::unique_ptr<QMessageBox> makeLoadErrorBox() {
    return std::make_unique<QMessageBox>(QMessageBox::NoIcon, QString(), kLoadErrorText,
                                         QMessageBox::Ok);
}

void presentModally(const QString& text) {
    auto box = makeLoadErrorBox();
    box->setText(text);
    box->exec();
}

std::unique_ptr<frmMain> openMainWindow(const RecordingSource& source,
                                        const MessagePresenter& present, std::ostream& errors,
                                        const std::optional<std::string>& liveInput) {
    auto window = std::make_unique<frmMain>(source);
    // A recording opened off the window's thread ends a start-up the same way, later.
    QObject::connect(window.get(), &frmMain::startUpFailed, window.get(),
                     [window = window.get(), present, &errors](const QString& reason) {
                         errors << "vireo: " << reason.toStdString() << '\n';
                         window->hide();
                         present(kLoadErrorText);
                         QCoreApplication::exit(1);
                     });
    std::string reason;
    try {
        if (const Expected<void> started = window->Form_Load(liveInput); !started)
            reason = started.error().message();
    } catch (const std::exception& error) {
        // Not expected from the engine's own values; start-up fails all the same.
        reason = error.what();
    }
    if (!reason.empty()) {
        errors << "vireo: " << reason << '\n';
        present(kLoadErrorText);
        return nullptr;
    }
    window->show();
    return window;
}

namespace {

// Lets the desktop match the window to the installed desktop entry, its icon and its metainfo.
const QString kDesktopFileName = QStringLiteral(VIREO_APP_ID);

// The options the program answers without a window, found before any application object exists.
enum class Answer { None, Help, Version };

Answer answerAskedFor(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            break;
        if (argument == "-h" || argument == "--help" || argument == "-?")
            return Answer::Help;
        if (argument == "-v" || argument == "-V" || argument == "--version")
            return Answer::Version;
    }
    return Answer::None;
}

const QCommandLineOption kSamplesOption(
    QStringLiteral("samples-by-default"),
    QStringLiteral("Without DIR, open the bundled example frames instead of the current "
                   "directory (the desktop entry starts Vireo this way)."));

const QCommandLineOption kFitOption(
    QStringLiteral("fit"),
    QStringLiteral("How pictures that are not 160 x 120 become frames: stretch (default) or crop "
                   "(scaled to cover 160 x 120, cut around the middle)."),
    QStringLiteral("FIT"));

const QCommandLineOption kCameraOption(
    QStringLiteral("camera"),
    QStringLiteral("Go live: DIR is then the camera (default: the first one), a pipe or FIFO, or "
                   "a stream's URL, whose newest picture is shown as it arrives."));

const QCommandLineOption kFpsOption(
    QStringLiteral("fps"),
    QStringLiteral("Sample a video at R frames per second, such as 10 or 30000/1001 (default: "
                   "every frame)."),
    QStringLiteral("R"));

void describe(QCommandLineParser& parser) {
    // Wrapped by hand: the parser prints the description as it is.
    parser.setApplicationDescription(QStringLiteral(
        "Shows the camera frames picN.bmp of a folder (frame numbers 0 to 12, or up to\n"
        "the highest one there), or the pictures of a folder or a video as such frames,\n"
        "their Sobel edges and the centre of the path on three scan rows.\n"
        "\n"
        "Keys: Ctrl+O opens another recording (so does dropping a folder, a picN.bmp or\n"
        "a video on the window), Ctrl+D is \"Display Picture\", Ctrl+F is \"Find\n"
        "Center\", Tab moves between the controls, and the arrow keys, Page Up, Page\n"
        "Down, Home and End move the slider that has the focus. Pointing at a picture\n"
        "shows its pixel's position and value below the controls. A video or a folder\n"
        "of pictures opens with its progress below the controls; Esc stops it.\n"
        "\n"
        "Live (vireo --camera [DEVICE]): Ctrl+L lists the cameras to go live on, Ctrl+K\n"
        "starts each frame's search from the previous frame's centres (or not again),\n"
        "Ctrl+Shift+R starts and stops recording the frames shown; moving the picture\n"
        "selector goes back to the recording's frames.\n"
        "\n"
        "Qt's own options, such as -platform offscreen or -style fusion, are accepted too."));
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help and exit.")));
    parser.addOption(
        QCommandLineOption({QStringLiteral("v"), QStringLiteral("V"), QStringLiteral("version")},
                           QStringLiteral("Show the version and exit.")));
    parser.addOption(kSamplesOption);
    parser.addOption(kFitOption);
    parser.addOption(kFpsOption);
    parser.addOption(kCameraOption);
    parser.addPositionalArgument(
        QStringLiteral("DIR"),
        QStringLiteral("Folder of frames or pictures, or a video file "
                       "(default: the current directory); with --camera, the "
                       "live input."),
        QStringLiteral("[DIR]"));
}

// Answers --help or --version with a plain core application, so that neither needs a display.
// Both end the process.
[[noreturn]] void answer(int argc, char* argv[], Answer asked) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    describe(parser);
    if (asked == Answer::Help)
        parser.showHelp(0);
    parser.showVersion();
}

// The conversion that --fit and --fps ask for, or the reason a value is refused.
Expected<Conversion> readConversion(const QCommandLineParser& parser) {
    Conversion conversion;
    if (parser.isSet(kFitOption)) {
        const auto fit = parseFit(parser.value(kFitOption).toStdString());
        if (!fit)
            return fit.error();
        conversion.fit = *fit;
    }
    if (parser.isSet(kFpsOption)) {
        const auto rate = parseFrameRate(parser.value(kFpsOption).toStdString());
        if (!rate)
            return rate.error();
        conversion.fps = *rate;
    }
    return conversion;
}

// The input that --camera names, or the first camera; nullopt, with the reason told, when
// there is none.
std::optional<std::string> liveInputArgument(const QStringList& positional) {
    if (!positional.isEmpty()) {
        const std::string input = QFile::encodeName(positional.front()).toStdString();
        if (isLiveInput(input))
            return input;
        std::cerr << "vireo: " << input << ": not a camera, a pipe or a stream\n";
        return std::nullopt;
    }
    const std::vector<std::string> cameras = listCameras();
    if (cameras.empty()) {
        std::cerr << "vireo: no camera found (no /dev/videoN captures pictures); name a camera, "
                     "a pipe or a stream after --camera\n";
        return std::nullopt;
    }
    return cameras.front();
}

// Reads the arguments that QApplication left: the recording and its conversion, and the live
// input with --camera, or the exit status when the program should end here.
std::optional<RecordingSource> readFolderArgument(int& status,
                                                  std::optional<std::string>& liveInput) {
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        QString reason = parser.errorText();
        if (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        std::cerr << "vireo: " << reason.left(1).toLower().toStdString()
                  << reason.mid(1).toStdString() << " (try vireo --help)\n";
        status = 2;
        return std::nullopt;
    }

    const Expected<Conversion> conversion = readConversion(parser);
    if (!conversion) {
        std::cerr << "vireo: " << conversion.error().message() << " (try vireo --help)\n";
        status = 2;
        return std::nullopt;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        std::cerr << "vireo: too many arguments, expected at most one folder\n";
        status = 2;
        return std::nullopt;
    }
    if (parser.isSet(kCameraOption)) {
        liveInput = liveInputArgument(positional);
        if (!liveInput)
            status = positional.isEmpty() ? 1 : 2;
        return liveInput ? std::optional(RecordingSource({}, *conversion)) : std::nullopt;
    }
    if (positional.isEmpty() && !parser.isSet(kSamplesOption))
        return RecordingSource({}, *conversion);

    // The samples lie where `cmake --install` put them, found from the program's own folder so
    // that any install prefix works.
    const QString given = positional.isEmpty() ? QCoreApplication::applicationDirPath() +
                                                     QStringLiteral("/" VIREO_SAMPLES_FROM_BINDIR)
                                               : positional.front();
    const std::filesystem::path folder(QFile::encodeName(given).toStdString());
    std::error_code error;
    // A folder of frames or pictures, or a video file.
    if (!std::filesystem::is_directory(folder, error) &&
        !std::filesystem::is_regular_file(folder, error)) {
        std::cerr << "vireo: " << folder.string() << ": no such folder\n";
        status = 2;
        return std::nullopt;
    }
    return RecordingSource(folder, *conversion);
}

} // namespace

int runVireo(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("vireo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIREO_VERSION));
    if (const Answer asked = answerAskedFor(argc, argv); asked != Answer::None)
        answer(argc, argv, asked);

    // Takes Qt's own options (-platform, -style, ...) out of the arguments before they are read.
    QApplication application(argc, argv);
    int status = 0;
    std::optional<std::string> liveInput;
    const std::optional<RecordingSource> source = readFolderArgument(status, liveInput);
    if (!source)
        return status;

    // A message box without a title shows this name instead.
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Vireo"));
    QGuiApplication::setDesktopFileName(kDesktopFileName);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vireo/vireo.svg")));
    const std::unique_ptr<frmMain> window =
        openMainWindow(*source, presentModally, std::cerr, liveInput);
    if (!window)
        return 1;
    return QApplication::exec();
}

} // namespace vireo
