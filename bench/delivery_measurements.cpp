// Delivery: to a file against the disk's own speed, to the clipboard, and the memory it takes.
#include "bench/acquisition_rig.h"
#include "bench/allocation_counter.h"
#include "tests/fixtures/child_process.h"
#include "bench/child_run.h"
#include "imaging/bmp/dib_layout.h"
#include "bench/measurements.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace bench {

using namespace vantrel::twain;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

std::string Describe(const Page& page) {
    char text[96];
    std::snprintf(text, sizeof text, "%s, %.1f MB", page.name, static_cast<double>(DibBytes(page)) / kMiB);
    return text;
}

std::uintmax_t FileSize(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// The physical limit: the file's bytes, prepared in one block, written with one WriteFile.
// Times the same steps a delivery takes: create, write, close.
std::optional<double> WriteOnce(const Page& page, const std::filesystem::path& path) {
    const std::size_t dibBytes = DibBytes(page);
    vantrel::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPFILEHEADER) + dibBytes));
    if (!block) return std::nullopt;
    vantrel::GlobalLock<std::uint8_t> bytes(block.get());
    if (!bytes) return std::nullopt;
    const std::span<std::uint8_t> dib(bytes.get() + sizeof(BITMAPFILEHEADER), dibBytes);
    FillDib(page, dib);
    const auto layout = vantrel::PlanBmpFile(dib);
    if (!layout) return std::nullopt;
    std::memcpy(bytes.get(), layout->fileHeader.data(), layout->fileHeader.size());
    const DWORD total = static_cast<DWORD>(layout->fileHeader.size() + layout->dibBytes);

    std::filesystem::remove(path);
    const std::int64_t start = Now();
    vantrel::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return std::nullopt;
    DWORD written = 0;
    const bool ok = ::WriteFile(file.get(), bytes.get(), total, &written, nullptr) && written == total;
    const bool closed = ::CloseHandle(file.release()) != FALSE;
    const double elapsed = Milliseconds(Now() - start);
    if (!ok || !closed) return std::nullopt;
    return elapsed;
}

std::optional<double> AcquireOnce(AcquisitionRig& rig, const Page& page, const std::filesystem::path& path) {
    vantrel::UniqueGlobal block = MakeDibBlock(page);
    if (!block) return std::nullopt;
    std::filesystem::remove(path);
    const AcquireRun run = rig.Acquire(std::move(block), path.wstring());
    if (run.result != 1 || FileSize(path) != sizeof(BITMAPFILEHEADER) + DibBytes(page)) return std::nullopt;
    return Milliseconds(run.returnedAt - run.calledAt);
}

// The platform's part of a clipboard delivery: a block like the one a source hands over, given
// to the clipboard with nothing around it.
std::optional<double> SetClipboardOnce(const Page& page) {
    vantrel::UniqueGlobal block = MakeDibBlock(page);
    if (!block) return std::nullopt;
    const std::int64_t start = Now();
    {
        vantrel::OpenClipboardSession clipboard(nullptr);
        if (!clipboard) return std::nullopt;
        ::EmptyClipboard();
        if (!::SetClipboardData(CF_DIB, block.get())) return std::nullopt;
        block.release();
    }
    return Milliseconds(Now() - start);
}

// Committed memory, as far as the platform keeps a peak of it. Wine reports no peak of committed
// memory (its PeakPagefileUsage follows the current value), but keeps the resident peak, which
// counts every page a copy would touch.
struct MemoryCounters {
    std::size_t current = 0;
    std::size_t peak = 0;
};

MemoryCounters ReadMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return {};
    if (fixtures::RunningUnderWine()) return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
    return {counters.PagefileUsage, counters.PeakPagefileUsage};
}

// Small enough that the warm-up leaves no peak above what the measurement starts from.
constexpr Page kWarmUpPage{"warm-up", 16, 16};

// What one copy of the image looks like to this measurement.
void CopyOnce(HGLOBAL image) {
    const SIZE_T size = ::GlobalSize(image);
    vantrel::UniqueGlobal copy(::GlobalAlloc(GMEM_MOVEABLE, size));
    vantrel::GlobalLock<std::uint8_t> from(image);
    vantrel::GlobalLock<std::uint8_t> to(copy.get());
    if (from && to) std::memcpy(to.get(), from.get(), size);
}

void PumpMessagesFor(DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    MSG message;
    while (::GetTickCount() - start < milliseconds) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds / 10, QS_ALLINPUT);
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
}

}  // namespace

std::vector<Row> MeasureFileDelivery(const Plan& plan) {
    std::vector<Row> rows;
    AcquisitionRig rig;
    const auto path = AcquisitionRig::Directory() / L"page.bmp";
    for (const Page& page : plan.pages) {
        Row row{"Acquire to a BMP file (limit: one WriteFile)", Describe(page)};
        std::vector<double> acquired;
        std::vector<double> limit;
        bool failed = !rig;
        for (int run = 0; run < plan.runsFor(page) && !failed; ++run) {
            // Alternating, so both see the same state of the disk and its cache.
            const bool limitFirst = run % 2 == 0;
            for (int turn = 0; turn < 2 && !failed; ++turn) {
                const auto elapsed = (turn == 0) == limitFirst ? WriteOnce(page, path) : AcquireOnce(rig, page, path);
                if (!elapsed) failed = true;
                else ((turn == 0) == limitFirst ? limit : acquired).push_back(*elapsed);
            }
        }
        std::filesystem::remove(path);
        if (failed) {
            row.note = "a run failed";
            rows.push_back(row);
            continue;
        }
        row.value = Summarize(acquired);
        row.limit = Summarize(limit);
        if (DibBytes(page) >= 10 * 1000 * 1000) {
            row.target = "ratio <= 1.10";
            row.met = row.value.median <= 1.10 * row.limit->median;
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<Row> MeasureClipboardDelivery(const Plan& plan) {
    std::vector<Row> rows;
    AcquisitionRig rig;
    for (const Page& page : plan.pages) {
        Row row{"Clipboard delivery, transfer end to image on the clipboard (limit: SetClipboardData alone)",
                Describe(page)};
        std::vector<double> delivered;
        std::vector<double> limit;
        for (int run = 0; run < plan.runsFor(page) && rig; ++run) {
            EmptyTheClipboard();
            const auto direct = SetClipboardOnce(page);
            EmptyTheClipboard();
            const AcquireRun result = rig.Acquire(MakeDibBlock(page), L"");
            const standin::Call* transfer = result.Find(DAT_IMAGENATIVEXFER, MSG_GET);
            const standin::Call* end = result.Find(DAT_PENDINGXFERS, MSG_ENDXFER);
            if (!direct || result.result != 1 || !transfer || !end) break;
            limit.push_back(*direct);
            delivered.push_back(Milliseconds(end->enteredAt - transfer->leftAt));
        }
        EmptyTheClipboard();
        if (delivered.size() != static_cast<std::size_t>(plan.runsFor(page))) {
            row.note = "a run failed";
        } else {
            row.value = Summarize(delivered);
            row.limit = Summarize(limit);
        }
        rows.push_back(row);
    }
    if (rows.size() > 1 && rows.front().value.count > 0 && rows.back().value.count > 0) {
        // Independent of size: the largest page within twice the smallest's time plus a millisecond.
        rows.back().target = "same for every size";
        rows.back().met = rows.back().value.median <= 2 * rows.front().value.median + 1.0;
    }
    return rows;
}

namespace {

// With `oursToo`, the row also says what Vantrel.dll itself allocated at most.
Row ExtraMemoryRow(const std::string& measurement, const Page& page, const std::wstring& arguments, int runs,
                   bool oursToo) {
    Row row{measurement, Describe(page), Unit::Kilobytes};
    std::vector<double> samples;
    long long mostAllocated = 0;
    for (int run = 0; run < runs; ++run) {
        const ChildRun child = RunSelf(L"--memory " + arguments);
        long long extra = 0;
        long long allocated = 0;
        if (child.exitCode != 0 ||
            std::sscanf(child.output.c_str(), "extra %lld allocated %lld", &extra, &allocated) != 2) {
            row.note = "a run failed: " + child.output.substr(0, 80);
            return row;
        }
        samples.push_back(static_cast<double>(extra) / 1024.0);
        mostAllocated = std::max(mostAllocated, allocated);
    }
    row.value = Summarize(samples);
    if (oursToo && mostAllocated >= 0) row.note = "Vantrel.dll itself allocated at most " + std::to_string(mostAllocated) + " bytes";
    return row;
}

}  // namespace

std::vector<Row> MeasureExtraMemory(const Plan& plan) {
    std::vector<Row> rows;
    for (const MemoryProbe probe : {MemoryProbe::File, MemoryProbe::Clipboard}) {
        for (std::size_t index = 0; index < plan.pages.size(); ++index) {
            Row row = ExtraMemoryRow(probe == MemoryProbe::File ? "Extra peak memory during Acquire, to a file"
                                                                : "Extra peak memory during Acquire, to the clipboard",
                                     plan.pages[index],
                                     std::to_wstring(index) + (probe == MemoryProbe::File ? L" file" : L" clipboard"),
                                     plan.memoryRuns, true);
            if (row.value.count > 0) {
                row.target = "< 1024 KB";
                row.met = row.value.median < 1024;
            }
            rows.push_back(row);
        }
    }
    // The measurement itself: what it shows when nothing is acquired (the platform's own noise),
    // and when one copy of the page is made.
    Row control = ExtraMemoryRow("Extra peak memory without Acquire (control)", plan.pages[0], L"0 control",
                                 plan.memoryRuns, false);
    control.image = "none, 200 ms of the process's own messages";
    rows.push_back(control);
    const std::size_t copied = plan.pages.size() > 1 ? 1 : 0;
    rows.push_back(ExtraMemoryRow("Extra peak memory of one copy of the page (control)", plan.pages[copied],
                                  std::to_wstring(copied) + L" copy", plan.memoryRuns, false));
    if (fixtures::RunningUnderWine()) rows.front().note += "; the process's resident peak: Wine keeps no peak of committed memory";
    return rows;
}

int MemoryChild(const Page& page, MemoryProbe probe) {
    AcquisitionRig rig;
    if (!rig) {
        std::printf("failed: no connection to the stand-in DSM\n");
        return 1;
    }
    const auto path = AcquisitionRig::Directory() / (L"memory-" + std::to_wstring(::GetCurrentProcessId()) + L".bmp");
    const std::wstring file = probe == MemoryProbe::Clipboard ? std::wstring() : path.wstring();
    // A first acquisition of a small page by the same way, so that what any first call sets up
    // once (code pages, the clipboard's window, file system caches) is not counted.
    if (rig.Acquire(MakeDibBlock(kWarmUpPage), file).result != 1) {
        std::printf("failed: warm-up acquisition\n");
        return 1;
    }
    EmptyTheClipboard();
    vantrel::UniqueGlobal block = MakeDibBlock(page);
    if (!block) {
        std::printf("failed: no memory for the page\n");
        return 1;
    }
    // Vantrel.dll's own allocations, counted at its imports: exact, where the process's figure
    // also holds whatever the platform does meanwhile.
    AllocationCounter counter(::GetModuleHandleW(L"Vantrel.dll"));
    counter.StartPeak();
    const MemoryCounters before = ReadMemory();
    short result = 1;
    switch (probe) {
    case MemoryProbe::Control: PumpMessagesFor(200); break;
    case MemoryProbe::Copy: CopyOnce(block.get()); break;
    default: result = rig.Acquire(std::move(block), file).result; break;
    }
    const MemoryCounters after = ReadMemory();
    const long long allocated = counter.complete() ? static_cast<long long>(counter.Peak()) : -1;
    EmptyTheClipboard();
    std::filesystem::remove(path);
    if (result != 1) {
        std::printf("failed: Acquire returned %d\n", result);
        return 1;
    }
    // The block is counted in `before` already; whatever the peak rose above it is extra.
    const long long extra = after.peak > before.current ? static_cast<long long>(after.peak - before.current) : 0;
    std::printf("extra %lld allocated %lld\n", extra, allocated);
    return 0;
}

}  // namespace bench
