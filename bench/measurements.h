// What the benchmark measures. Each function runs one kind of measurement and returns its rows.
#pragma once

#include "bench/page_image.h"
#include "bench/report.h"

#include <span>
#include <vector>

namespace bench {

struct Plan {
    std::span<const Page> pages;
    int (*runsFor)(const Page& page);  // repetitions per page, fewer for the large ones
    int memoryRuns;                    // child processes per page and delivery
    int waitMilliseconds;              // how long the source keeps the user waiting
    int waitRuns;
    int latencyRuns;
    int createDestroyRuns;
};

// Acquire into a BMP file against the same bytes written with one WriteFile in the same directory.
std::vector<Row> MeasureFileDelivery(const Plan& plan);
// Acquire onto the clipboard: the time from the end of the transfer to the clipboard holding the image.
std::vector<Row> MeasureClipboardDelivery(const Plan& plan);
// The process's peak memory during Acquire beyond the image block, each run in a fresh process.
std::vector<Row> MeasureExtraMemory(const Plan& plan);
// CPU time of the waiting loop while the source keeps the user waiting.
std::vector<Row> MeasureWaitingCpu(const Plan& plan);
// The object's reaction to MSG_XFERREADY, and its way out after the transfer.
std::vector<Row> MeasureLatency(const Plan& plan);
// Create plus Destroy against Wine's own DSM, in a child process that loads it.
std::vector<Row> MeasureCreateDestroy(const Plan& plan);

// The child processes' sides; each prints its figures and returns the process's exit code.
enum class MemoryProbe { File, Clipboard, Control, Copy };
int MemoryChild(const Page& page, MemoryProbe probe);
int CreateDestroyChild(int runs);

}  // namespace bench
