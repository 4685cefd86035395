#pragma once

class TRunJob;

// The steps every procedure of a run begins and ends with. Failures are logged and never stop the run.
//
// Before-steps: dial the task's effective dial-up entry unless it is empty, "[none]" or another bracketed
// choice (a connection that is already active is left as it is), then the run-before program.
void BeforeSteps(TRunJob& job);
// After-steps: the run-after program. A connection the run dialled stays up.
void AfterSteps(TRunJob& job);
