#pragma once
// Serves several printers at once. The communication library talks to one port per
// process, so every printer gets a worker process of its own (a fork of the tool), at
// most `jobs` at a time; the worker runs the job and sends its report back through a
// pipe. A printer that fails never stops the others.
//
// Ctrl+C / SIGTERM (StopSignals.h): no further worker starts (those printers are
// reported "not-started", untouched), the signal is passed on to the running workers,
// which finish what they began, and they are waited for.
//
// No Qt here. Call from the tool's main thread with no other thread running (fork).
#include <functional>
#include <vector>

#include "cli/PortTargets.h"
#include "cli/PrinterReport.h"

using PrinterJob = std::function<PrinterReport(const PortTarget&)>;

// Runs job for every target and returns the reports in the order of targets (each
// report's port is the target's name). onDone, when set, is called in the tool's
// process with the index of the target and its report as each worker ends, in that
// order. A worker that ends without
// a report is reported "worker-failed".
std::vector<PrinterReport> RunPrinterJobs(const std::vector<PortTarget>& targets, int jobs, const PrinterJob& job,
                                          const std::function<void(std::size_t, const PrinterReport&)>& onDone = {});
