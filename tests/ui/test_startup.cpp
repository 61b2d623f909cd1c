#include "bmp_builder.h"

#include <QProcess>
#include <QTest>

namespace vireo::testing {

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs a program to its end, offscreen or with no display at all (where any attempt to open a
// window fails at once); a run that does not end by itself or crashes has exit code -1.
Run runProgram(const QString& program, const QStringList& arguments,
               const std::filesystem::path& workingFolder, bool offscreen) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), offscreen ? "offscreen" : "xcb");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(workingFolder.string()));
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

const QString kProbe = QStringLiteral(VIREO_STARTUP_PROBE_EXE);
const QString kVireo = QStringLiteral(VIREO_EXE);
const QString kLoadErrorBoxLine = QStringLiteral(
    "probe: message box text=\"load error\" title=\"\" buttons=1 ok=1 icon=0 modal=1");

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void programInAFolder_data();
    void programInAFolder();
    void programOnAVideo_data();
    void programOnAVideo();
    void programAnswersWithoutADisplay_data();
    void programAnswersWithoutADisplay();
};

void StartupTest::programInAFolder_data() {
    QTest::addColumn<bool>("hasFrames");
    QTest::addColumn<bool>("folderAsArgument");
    QTest::addColumn<QStringList>("qtOptions");
    const QStringList none;
    // Qt's own options come first, so that "-platform" is not read as the folder or as -p -l ...
    const QStringList qt{"-platform", "offscreen", "-style", "fusion"};
    QTest::newRow("frames, current folder") << true << false << none;
    QTest::newRow("frames, folder argument") << true << true << none;
    QTest::newRow("frames, folder argument, Qt options") << true << true << qt;
    QTest::newRow("no frames, current folder") << false << false << none;
    QTest::newRow("no frames, folder argument") << false << true << none;
}

// The real program: with frames it shows the window titled by its folder and no message; without
// them the "load error" box, one line on stderr, a non-zero exit, and never the window.
void StartupTest::programInAFolder() {
    QFETCH(bool, hasFrames);
    QFETCH(bool, folderAsArgument);
    QFETCH(QStringList, qtOptions);
    TempFolder target;
    TempFolder elsewhere;
    if (hasFrames)
        writeFile(target.path() / "pic1.bmp", buildBmp(uniform(9)));

    // With Qt's options the program is asked for the offscreen platform by its arguments alone.
    const bool offscreen = qtOptions.isEmpty();
    const QString targetPath = QString::fromStdString(target.path().string());
    const Run run = folderAsArgument
                        ? runProgram(kProbe, qtOptions << targetPath, elsewhere.path(), offscreen)
                        : runProgram(kProbe, qtOptions, target.path(), offscreen);
    const QString title =
        folderAsArgument ? targetPath + QStringLiteral(" \u2014 Vireo") : QStringLiteral("Vireo");
    // The icon and the desktop file name let task bars show the window as Vireo's.
    const QString shown = QStringLiteral("probe: shown frmMain title=\"%1\" icon=1 desktop=%2")
                              .arg(title, QStringLiteral(VIREO_APP_ID));
    QCOMPARE(run.exitCode, hasFrames ? 0 : 1);
    if (hasFrames)
        QVERIFY2(run.err.contains(shown) && !run.err.contains(QStringLiteral("message box")),
                 qPrintable(run.err));
    else
        QVERIFY2(run.err.contains(kLoadErrorBoxLine) &&
                     run.err.contains(QStringLiteral("vireo: pic1.bmp: no such file\n")) &&
                     run.err.count(QStringLiteral("vireo: ")) == 1 &&
                     !run.err.contains(QStringLiteral("shown frmMain")),
                 qPrintable(run.err));
}

void StartupTest::programOnAVideo_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("err"); // lines the run writes among others
    QTest::newRow("--fit crop") << QStringList{"--fit", "crop", "run7.mp4"} << 0
                                << QStringList{"threshold 100  \u00b7  run7.mp4: 320 x 240 h264, "
                                               "cropped to 160 x 120, every frame"};
    QTest::newRow("not a video") << QStringList{"notes.mp4"} << 1
                                 << QStringList{kLoadErrorBoxLine,
                                                "vireo: notes.mp4: not a video or picture"};
}

// A video given opens off the window's thread with the conversion asked for; a refusal ends the
// start-up as a frame's does, with "load error" and status 1.
void StartupTest::programOnAVideo() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, err);
    TempFolder folder;
    writeFile(folder.path() / "notes.mp4", {'h', 'i'});
    QCOMPARE(QProcess::execute("ffmpeg",
                               {"-nostdin", "-v", "error", "-f", "lavfi", "-i",
                                "color=s=320x240:d=1", "-pix_fmt", "yuv420p",
                                QString::fromStdString((folder.path() / "run7.mp4").string())}),
             0);
    const Run run = runProgram(kProbe, arguments, folder.path(), true);
    QCOMPARE(run.exitCode, exitCode);
    for (const QString& line : err)
        QVERIFY2(run.err.contains(line), qPrintable(run.err));
}

void StartupTest::programAnswersWithoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("offscreen");
    const char* const version = "vireo " VIREO_VERSION "\n";
    for (const char* option : {"--version", "-v", "-V"})
        QTest::newRow(option) << QStringList{"-style", "fusion", option} << 0 << version << ""
                              << false;
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "--fps <R>"
                            << "" << false;
    // Bad arguments are found after Qt has taken its own options, so with a platform.
    QTest::newRow("two folders") << QStringList{"a", "b"} << 2 << ""
                                 << "vireo: too many arguments, expected at most one folder\n"
                                 << true;
    QTest::newRow("bad fit")
        << QStringList{"--fit", "pad"} << 2 << ""
        << "vireo: fit \"pad\" is neither stretch nor crop (try vireo --help)\n"
        << true;
    QTest::newRow("unknown option") << QStringList{"--help-all"} << 2 << ""
                                    << "vireo: unknown option 'help-all' (try vireo --help)\n"
                                    << true;
}

// --help and --version are answered before any window could open: with no display at all the
// program still answers.
void StartupTest::programAnswersWithoutADisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(bool, offscreen);

    TempFolder folder;
    const Run run = runProgram(kVireo, arguments, folder.path(), offscreen);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.contains(out), qPrintable(run.out));
    // Offscreen, Qt may first note its own set-up (no XDG_RUNTIME_DIR); the program's line ends it.
    QVERIFY2(err.isEmpty() ? run.err.isEmpty()
                           : run.err.endsWith(err) && run.err.count(QStringLiteral("vireo: ")) == 1,
             qPrintable(run.err));
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::StartupTest)
#include "test_startup.moc"
