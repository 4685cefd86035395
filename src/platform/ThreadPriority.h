#pragma once

// Priority of the calling thread from the program's CPU performance setting (0 idle .. 6 realtime):
// the thread's nice value 19, 10, 5, 0, -5, -10 or -20, and for idle also the idle I/O class. A value the
// user may not set (a negative nice without the privilege) is left as it is, silently. Returns the nice
// value the thread has afterwards.
int SetCurrentThreadPriority(int cpuPerformance);

// The nice value a CPU performance setting asks for; values outside 0..6 count as 3 (normal).
int NiceOfCpuPerformance(int cpuPerformance);
