#include "app/window/frm_main.h"
#include "app/window/startup.h"
#include "bmp_builder.h"
#include "input/bitmap_loader.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <fstream>
#include <sstream>

namespace vireo::testing {

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs a program to its end; fails the test when it does not end by itself.
Run runProgram(const QString& program, const QStringList& arguments,
               const std::filesystem::path& workingFolder, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(workingFolder.string()));
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QProcessEnvironment offscreen() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// An environment in which any attempt to open a window fails at once.
QProcessEnvironment withoutDisplay() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return environment;
}

bool anyWindowVisible() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            return true;
    return false;
}

const QString kProbe = QStringLiteral(VIREO_STARTUP_PROBE_EXE);
const QString kVireo = QStringLiteral(VIREO_EXE);
const QString kLoadErrorBoxLine = QStringLiteral(
    "probe: message box text=\"load error\" title=\"\" buttons=1 ok=1 icon=0 modal=1");

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void loadErrorBoxHasOneOkButtonNoIconNoTitle();
    void failedStartUpPresentsLoadErrorAndNoWindow_data();
    void failedStartUpPresentsLoadErrorAndNoWindow();
    void startUpShowsTheWindowWithoutMessage();

    void programEndsAfterLoadErrorWithoutShowingTheWindow_data();
    void programEndsAfterLoadErrorWithoutShowingTheWindow();
    void programOpensTheFramesOfTheGivenFolder_data();
    void programOpensTheFramesOfTheGivenFolder();
    void programAnswersWithoutADisplay_data();
    void programAnswersWithoutADisplay();
};

void StartupTest::loadErrorBoxHasOneOkButtonNoIconNoTitle() {
    const auto box = makeLoadErrorBox();
    QCOMPARE(box->text(), QStringLiteral("load error"));
    QCOMPARE(box->icon(), QMessageBox::NoIcon);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box->buttons().size(), 1);
    // No title of its own, so the platform shows the application's name.
    QVERIFY(box->windowTitle().isEmpty());
}

void StartupTest::failedStartUpPresentsLoadErrorAndNoWindow_data() {
    QTest::addColumn<int>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("pic1.bmp missing") << 0 << "vireo: pic1.bmp: no such file\n";
    QTest::newRow("pic1.bmp not a bitmap") << 1 << "vireo: pic1.bmp: ";
    QTest::newRow("pic1.bmp 8 bits per pixel") << 2 << "vireo: pic1.bmp: ";
}

void StartupTest::failedStartUpPresentsLoadErrorAndNoWindow() {
    QFETCH(int, content);
    QFETCH(QString, reason);

    TempFolder folder;
    if (content == 1)
        std::ofstream(folder.path() / "pic1.bmp") << "a text file, not a bitmap";
    if (content == 2)
        writeFile(folder.path() / "pic1.bmp", buildBmp(uniform(9), BmpLayout{.bitCount = 8}));

    QStringList presented;
    bool windowShownWhilePresenting = true;
    std::ostringstream errors;
    const auto window = openMainWindow(
        folder.path(),
        [&](const QString& text) {
            presented << text;
            windowShownWhilePresenting = anyWindowVisible();
        },
        errors);

    QVERIFY(!window);
    QCOMPARE(presented, QStringList{QStringLiteral("load error")});
    QVERIFY(!windowShownWhilePresenting);
    QVERIFY(!anyWindowVisible());
    const QString written = QString::fromStdString(errors.str());
    QVERIFY2(written.startsWith(reason) && written.endsWith(QLatin1Char('\n')),
             qPrintable(written));
    QCOMPARE(written.count(QLatin1Char('\n')), 1);
}

void StartupTest::startUpShowsTheWindowWithoutMessage() {
    TempFolder folder;
    writeFile(folder.path() / "pic1.bmp", buildBmp(uniform(9)));
    QStringList presented;
    std::ostringstream errors;
    const auto window = openMainWindow(
        folder.path(), [&](const QString& text) { presented << text; }, errors);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(presented.isEmpty());
    QVERIFY(errors.str().empty());
}

void StartupTest::programEndsAfterLoadErrorWithoutShowingTheWindow_data() {
    QTest::addColumn<bool>("folderAsArgument");
    QTest::newRow("current folder") << false;
    QTest::newRow("folder argument") << true;
}

// The real program in a folder without frames: the message, then a non-zero exit, and its
// window never appears.
void StartupTest::programEndsAfterLoadErrorWithoutShowingTheWindow() {
    QFETCH(bool, folderAsArgument);
    TempFolder empty;
    TempFolder elsewhere;
    writeFile(elsewhere.path() / "pic1.bmp", buildBmp(uniform(9)));

    const QString emptyPath = QString::fromStdString(empty.path().string());
    const Run run = folderAsArgument
                        ? runProgram(kProbe, {emptyPath}, elsewhere.path(), offscreen())
                        : runProgram(kProbe, {}, empty.path(), offscreen());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(kLoadErrorBoxLine), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("vireo: pic1.bmp: no such file\n")),
             qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("shown frmMain")), qPrintable(run.err));
}

void StartupTest::programOpensTheFramesOfTheGivenFolder_data() {
    QTest::addColumn<bool>("folderAsArgument");
    QTest::newRow("current folder") << false;
    QTest::newRow("folder argument") << true;
}

void StartupTest::programOpensTheFramesOfTheGivenFolder() {
    QFETCH(bool, folderAsArgument);
    TempFolder frames;
    TempFolder empty;
    writeFile(frames.path() / "pic1.bmp", buildBmp(uniform(9)));

    const QString framesPath = QString::fromStdString(frames.path().string());
    const Run run = folderAsArgument ? runProgram(kProbe, {framesPath}, empty.path(), offscreen())
                                     : runProgram(kProbe, {}, frames.path(), offscreen());
    QCOMPARE(run.exitCode, 0);
    // The title names the folder unless it is the current directory.
    const QString title =
        folderAsArgument ? framesPath + QStringLiteral(" \u2014 Vireo") : QStringLiteral("Vireo");
    QVERIFY2(run.err.contains(QStringLiteral("probe: shown frmMain title=\"%1\"").arg(title)),
             qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("message box")), qPrintable(run.err));
}

void StartupTest::programAnswersWithoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "vireo " VIREO_VERSION "\n"
                               << "";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "[DIR]"
                            << "";
    QTest::newRow("--help names the keys")
        << QStringList{"--help"} << 0 << "Ctrl+O opens another folder"
        << "";
    QTest::newRow("--help names the button keys")
        << QStringList{"--help"} << 0
        << "Ctrl+D is \"Display Picture\", Ctrl+F is \"Find Center\", Tab"
        << "";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << "--version"
                        << "";
    QTest::newRow("two folders") << QStringList{"a", "b"} << 2 << ""
                                 << "vireo: too many arguments, expected at most one folder\n";
    QTest::newRow("missing folder") << QStringList{"/no/such/vireo/folder"} << 2 << ""
                                    << "vireo: /no/such/vireo/folder: no such folder\n";
    QTest::newRow("unknown option") << QStringList{"--frames"} << 2 << ""
                                    << "vireo: unknown option 'frames' (try vireo --help)\n";
}

// --help, --version and bad arguments are answered before any window could open: with no
// display at all the program still answers.
void StartupTest::programAnswersWithoutADisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    TempFolder folder;
    const Run run = runProgram(kVireo, arguments, folder.path(), withoutDisplay());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.contains(out), qPrintable(run.out));
    QCOMPARE(run.err, err);
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::StartupTest)
#include "test_startup.moc"
