#include "engine/Services.h"

#include <atomic>

#include "logging/Email.h"

namespace {
std::atomic<bool> registered{false};
}

void RegisterRunServices() {
    if (registered.exchange(true))
        return;
    InstallEmailNotifier();
}

void ShutdownRunServices() {
    if (!registered.exchange(false))
        return;
    UninstallEmailNotifier();
}
