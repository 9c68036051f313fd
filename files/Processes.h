#pragma once
// The programs running on this PC, as far as files that name their owner
// need to know: a file left by a run that has ended may go, one of a run
// still going may not.

// This process's id.
unsigned long ThisProcessId();

// Whether a process of this id runs; true also when the system will not
// say (another user's), so that nothing of a live run is ever taken away.
bool ProcessRunning(unsigned long id);
