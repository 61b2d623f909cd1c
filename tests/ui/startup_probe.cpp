// The window program with a test hook, for running it as a child process on a platform where
// nobody can press a button. The hook reports on stderr every message box the program shows and
// answers it with its OK button, and reports frmMain being shown, and once its recording is open
// its status line, and then closes it, so that every run ends by itself. Everything else is the
// real program.
#include "app/window/frm_main.h"
#include "app/window/startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

void report(const QString& line) {
    std::fprintf(stderr, "probe: %s\n", qPrintable(line));
    std::fflush(stderr);
}

// Closes the window once its recording is open, unless a refusal hid it.
void closeOnceOpened(vireo::frmMain* window) {
    QTimer::singleShot(10, window, [window] {
        if (window->opening())
            return closeOnceOpened(window);
        if (!window->isVisible())
            return;
        report(QStringLiteral("opened status=\"%1\"")
                   .arg(window->findChild<QLabel*>(QStringLiteral("statusLine"))->text()));
        window->close();
    });
}

class Probe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show)
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            report(QStringLiteral("message box text=\"%1\" title=\"%2\" buttons=%3 ok=%4 icon=%5 "
                                  "modal=%6")
                       .arg(box->text(), box->windowTitle())
                       .arg(box->buttons().size())
                       .arg(box->button(QMessageBox::Ok) ? 1 : 0)
                       .arg(static_cast<int>(box->icon()))
                       .arg(box->isModal() ? 1 : 0));
            QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Ok)->click(); });
        } else if (auto* window = qobject_cast<vireo::frmMain*>(watched)) {
            report(QStringLiteral("shown frmMain title=\"%1\" icon=%2 desktop=%3")
                       .arg(window->windowTitle())
                       .arg(window->windowIcon().isNull() ? 0 : 1)
                       .arg(QGuiApplication::desktopFileName()));
            closeOnceOpened(window);
        }
        return false;
    }
};

void armProbe() {
    // The program first reads its arguments with a plain core application; only the widget
    // application shows anything.
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application)
        application->installEventFilter(new Probe(application));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(armProbe)

int main(int argc, char* argv[]) {
    return vireo::runVireo(argc, argv);
}
