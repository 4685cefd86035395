#pragma once

// Installs the parts a run may need beyond the local storage: the packers, the FTP storage and the
// e-mail notifier. Every program that runs tasks calls it once at start-up, before the global settings
// are loaded (the archiver and encryptor tables load with them); later calls do nothing.
void RegisterRunServices();
// At the end of such a program: waits (bounded) for queued notification e-mails and stops the outbox.
void ShutdownRunServices();
