// vireo-startup-probe: the window program itself (runVireo) with a hook for measuring it as a
// whole process. When the first frame has been painted on Picture3 it prints the wall-clock time
// in nanoseconds since the epoch ("first-frame-shown-ns 1765000000123456789") on stdout, so that
// a script that noted the time before starting it gets the start-up time; then it closes the
// window and the program ends by itself.
//
// A recording opened off the window's thread (a video) counts as shown once its first frame is.
//
// With VIREO_PROBE_EXERCISE=1 it first works the window as an operator would, for measuring the
// peak memory of a session: every frame in turn, "Display Picture", a sweep of the threshold
// slider and two "Find Center" runs. With VIREO_PROBE_VIEW=1 it instead shows the recording view
// (Ctrl+R), waits until its sweep of the folder is done and drags the threshold slider across,
// for measuring the peak memory of the view on a long recording. With VIREO_PROBE_JUMPS=N it
// moves picslider to N random frames, each followed by the next one, for the peak memory of a
// session on a long video.
#include "app/window/frm_main.h"
#include "app/window/recording_view.h"
#include "app/window/startup.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <random>

namespace {

long long nowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

template <typename T> T* control(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr)
        qFatal("the window has no control named %s", name);
    return found;
}

// Works every frame of the window's folder, letting it repaint after each action.
void exercise(QWidget* window) {
    auto* picslider = control<QAbstractSlider>(window, "picslider");
    auto* sobelslider = control<QAbstractSlider>(window, "sobelslider");
    auto* displayPicture = control<QAbstractButton>(window, "Command4");
    auto* findCenter = control<QAbstractButton>(window, "Command5");
    for (int frame = picslider->minimum(); frame <= picslider->maximum(); ++frame) {
        picslider->setValue(frame);
        QCoreApplication::processEvents();
        displayPicture->click();
        QCoreApplication::processEvents();
        for (int threshold = 0; threshold <= 255; threshold += 15) {
            sobelslider->setValue(threshold);
            QCoreApplication::processEvents();
        }
        findCenter->click();
        findCenter->click();
        QCoreApplication::processEvents();
    }
}

// Shows the recording view, waits for its sweep and moves the threshold across it.
void showRecordingView(QWidget* window) {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        qFatal("the window could not be made active");
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : window, Qt::Key_R, Qt::ControlModifier);
    auto* view = control<vireo::RecordingView>(window, "recordingView");
    while (!view->sweep() || !view->sweep()->finished())
        QCoreApplication::processEvents();
    auto* sobelslider = control<QAbstractSlider>(window, "sobelslider");
    for (int threshold = 0; threshold <= 255; threshold += 5) {
        sobelslider->setValue(threshold);
        QCoreApplication::processEvents();
    }
}

// Moves picslider to `count` random frames and on to the next of each, letting it repaint.
void jump(QWidget* window, int count) {
    auto* picslider = control<QAbstractSlider>(window, "picslider");
    std::mt19937 random(7);
    std::uniform_int_distribution<int> frames(picslider->minimum(), picslider->maximum());
    for (int i = 0; i < count; ++i) {
        picslider->setValue(frames(random));
        QCoreApplication::processEvents();
        picslider->setValue(picslider->value() + 1);
        QCoreApplication::processEvents();
    }
}

class FirstFrameProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (done_ || event->type() != QEvent::Paint ||
            watched->objectName() != QLatin1String("Picture3"))
            return false;
        QWidget* window = static_cast<QWidget*>(watched)->window();
        if (auto* main = qobject_cast<vireo::frmMain*>(window); main && main->opening())
            return false;
        done_ = true;
        // Runs once this paint event, and with it the first showing of the frame, is over.
        QTimer::singleShot(0, window, [window] {
            std::printf("first-frame-shown-ns %lld\n", nowNanoseconds());
            std::fflush(stdout);
            if (qEnvironmentVariableIntValue("VIREO_PROBE_EXERCISE") == 1)
                exercise(window);
            if (qEnvironmentVariableIntValue("VIREO_PROBE_VIEW") == 1)
                showRecordingView(window);
            jump(window, qEnvironmentVariableIntValue("VIREO_PROBE_JUMPS"));
            window->close();
        });
        return false;
    }

private:
    bool done_ = false;
};

void armProbe() {
    // The program first reads its arguments with a plain core application; only the widget
    // application shows the window.
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
        application->installEventFilter(new FirstFrameProbe(application));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(armProbe)

int main(int argc, char* argv[]) {
    return vireo::runVireo(argc, argv);
}
