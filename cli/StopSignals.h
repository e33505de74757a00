#pragma once
// Ctrl+C (SIGINT) and SIGTERM for the command-line tool: the handlers only note the
// signal, so that every printer being changed is finished and left out of user setting
// mode before the tool ends. The tool's process and each of its worker processes ask
// StopRequested() at the points where stopping leaves a printer untouched or finished.
//
// Install once, from the main thread, before any worker process starts.

// Installs the handlers for SIGINT and SIGTERM (system calls they interrupt restart).
void InstallStopHandlers();
// The signal that asked to stop (SIGINT or SIGTERM), 0 while none came.
int StopSignal();
inline bool StopRequested() { return StopSignal() != 0; }
// A descriptor that becomes readable when a stop signal arrives (the tool's process
// waits on it beside its workers' pipes); -1 before InstallStopHandlers.
int StopWakeDescriptor();
// In a new worker process: the wake descriptor belongs to the tool's process; the worker
// no longer writes to it.
void DetachStopWake();
// Forgets a stop signal (tests).
void ResetStopSignal();
