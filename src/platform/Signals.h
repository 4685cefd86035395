#pragma once

#include <QObject>
#include <functional>
#include <initializer_list>
#include <vector>

class QSocketNotifier;

// Turns POSIX signals (SIGINT, SIGTERM, ...) into calls on the thread that made the watcher, through a
// self-pipe: the handler itself only writes the signal number. One watcher at a time; destroying it
// restores the handlers it replaced.
class TSignalWatcher : public QObject {
public:
    TSignalWatcher(std::initializer_list<int> signalNumbers, std::function<void(int signal)> handler,
                   QObject* parent = nullptr);
    ~TSignalWatcher() override;
    TSignalWatcher(const TSignalWatcher&) = delete;
    TSignalWatcher& operator=(const TSignalWatcher&) = delete;

private:
    void OnReadable();

    std::function<void(int)> handler_;
    std::vector<int> signals_;
    std::vector<struct sigaction*> previous_;
    QSocketNotifier* notifier_ = nullptr;
};
