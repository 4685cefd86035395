#include "engine/RunJob.h"

// First compiling version: the procedures are filled in by the next commits.
void BackupProcedure(TRunJob& job) {
    (void)job;
}

void SynchronizeProcedure(TRunJob& job) {
    (void)job;
}
