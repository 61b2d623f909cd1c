#include "app/cli/stop_on_signal.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace vireo {

namespace {

sigset_t stopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

StopOnSignal::StopOnSignal(std::function<void()> stop)
    : stop_(std::move(stop)) {
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // A signal the program was started with ignored (a background job's Ctrl+C) stays ignored.
    const int taken = ::signalfd(-1, &signals, SFD_CLOEXEC);
    const int leave = ::eventfd(0, EFD_CLOEXEC);
    leave_ = leave;
    watcher_ = std::thread([this, taken, leave] {
        pollfd waits[2] = {{taken, POLLIN, 0}, {leave, POLLIN, 0}};
        while (::poll(waits, 2, -1) < 0 && errno == EINTR) {
        }
        if (waits[0].revents != 0 && waits[1].revents == 0) {
            // Taken, so that it is no longer pending when the signals are unblocked.
            signalfd_siginfo signal{};
            (void)!::read(taken, &signal, sizeof signal);
            stop_();
        }
        ::close(taken);
    });
}

StopOnSignal::~StopOnSignal() {
    const std::uint64_t one = 1;
    (void)!::write(leave_, &one, sizeof one);
    watcher_.join();
    ::close(leave_);
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}

} // namespace vireo
