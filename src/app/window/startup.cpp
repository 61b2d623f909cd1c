#include "app/window/startup.h"

#include "app/window/frm_main.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QMessageBox>
#include <exception>
#include <iostream>
#include <optional>
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

std::unique_ptr<frmMain> openMainWindow(const std::filesystem::path& folder,
                                        const MessagePresenter& present, std::ostream& errors) {
    auto window = std::make_unique<frmMain>(folder);
    std::string reason;
    try {
        if (const Expected<void> started = window->Form_Load(); !started)
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

// Reads the command line with a plain core application, so that --help, --version and bad
// arguments are answered without connecting to a display. Returns the frames folder, or the
// exit status when the program should end here.
std::optional<std::filesystem::path> readFolderArgument(int argc, char* argv[], int& status) {
    QCoreApplication arguments(argc, argv);
    QCommandLineParser parser;
    // Wrapped by hand: the parser prints the description as it is.
    parser.setApplicationDescription(QStringLiteral(
        "Shows the camera frames picN.bmp of a folder (frame numbers 0 to 12, or up to\n"
        "the highest one there), their Sobel edges and the centre of the path on three\n"
        "scan rows.\n"
        "\n"
        "Keys: Ctrl+O opens another folder (so does dropping a folder or a picN.bmp on\n"
        "the window), Ctrl+D is \"Display Picture\", Ctrl+F is \"Find Center\", Tab moves\n"
        "between the controls, and the arrow keys, Page Up, Page Down, Home and End move\n"
        "the slider that has the focus. Pointing at a picture shows its pixel's position\n"
        "and value below the controls."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("DIR"),
                                 QStringLiteral("folder holding the frames (default: the current "
                                                "directory)"),
                                 QStringLiteral("[DIR]"));
    if (!parser.parse(QCoreApplication::arguments())) {
        QString reason = parser.errorText();
        if (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        std::cerr << "vireo: " << reason.left(1).toLower().toStdString()
                  << reason.mid(1).toStdString() << " (try vireo --help)\n";
        status = 2;
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        std::cerr << "vireo: too many arguments, expected at most one folder\n";
        status = 2;
        return std::nullopt;
    }
    if (positional.isEmpty())
        return std::filesystem::path();

    const std::filesystem::path folder(QFile::encodeName(positional.front()).toStdString());
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        std::cerr << "vireo: " << folder.string() << ": no such folder\n";
        status = 2;
        return std::nullopt;
    }
    return folder;
}

} // namespace

int runVireo(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("vireo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIREO_VERSION));

    int status = 0;
    const std::optional<std::filesystem::path> folder = readFolderArgument(argc, argv, status);
    if (!folder)
        return status;

    QApplication application(argc, argv);
    // A message box without a title shows this name instead.
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Vireo"));
    // Lets the desktop match the window to the installed vireo.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vireo"));
    const std::unique_ptr<frmMain> window = openMainWindow(*folder, presentModally, std::cerr);
    if (!window)
        return 1;
    return QApplication::exec();
}

} // namespace vireo
