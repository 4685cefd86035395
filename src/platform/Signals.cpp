#include "platform/Signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void WriteSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &number, 1);
    errno = saved;
}

}  // namespace

TSignalWatcher::TSignalWatcher(std::initializer_list<int> signalNumbers, std::function<void(int)> handler,
                               QObject* parent)
    : QObject(parent), handler_(std::move(handler)), signals_(signalNumbers) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TSignalWatcher::OnReadable);
    for (int signal : signals_) {
        struct sigaction action = {};
        action.sa_handler = WriteSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        auto* old = new struct sigaction;
        ::sigaction(signal, &action, old);
        previous_.push_back(old);
    }
}

TSignalWatcher::~TSignalWatcher() {
    for (size_t i = 0; i < previous_.size(); ++i) {
        ::sigaction(signals_[i], previous_[i], nullptr);
        delete previous_[i];
    }
    delete notifier_;
    notifier_ = nullptr;
    if (signalPipe[0] >= 0) {
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
}

void TSignalWatcher::OnReadable() {
    unsigned char number = 0;
    while (::read(signalPipe[0], &number, 1) == 1)
        if (handler_)
            handler_(number);
}
