#include "engine/Services.h"

#include <atomic>

#include "logging/Email.h"
#include "packing/Packers.h"
#include "storage/FtpStorage.h"

namespace {
std::atomic<bool> registered{false};
}

void RegisterRunServices() {
    if (registered.exchange(true))
        return;
    RegisterPackers();
    RegisterFtpStorage();
    InstallEmailNotifier();
}

void ShutdownRunServices() {
    if (!registered.exchange(false))
        return;
    UninstallEmailNotifier();
}
