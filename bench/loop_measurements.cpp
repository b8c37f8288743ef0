// The acquisition loop: CPU while the source waits, the reaction times around the transfer, and
// connecting to Wine's own DSM.
#include "bench/acquisition_rig.h"
#include "bench/child_run.h"
#include "bench/measurements.h"

#include <cstdio>
#include <sstream>
#include <thread>

namespace bench {

using namespace vantrel::twain;

namespace {

double CpuMilliseconds(HANDLE thread) {
    FILETIME created, ended, kernel, user;
    if (!::GetThreadTimes(thread, &created, &ended, &kernel, &user)) return 0;
    const auto ticks = [](FILETIME time) { return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

}  // namespace

std::vector<Row> MeasureWaitingCpu(const Plan& plan) {
    char condition[80];
    std::snprintf(condition, sizeof condition, "source waits %.1f s before MSG_XFERREADY", plan.waitMilliseconds / 1000.0);
    Row row{"CPU time of the waiting loop", condition, Unit::PercentOfCore};
    AcquisitionRig rig;
    HANDLE self = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &self, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    vantrel::UniqueKernelObject thisThread(self);
    const auto path = AcquisitionRig::Directory() / L"waiting.bmp";
    std::vector<double> samples;
    for (int run = 0; run < plan.waitRuns && rig && thisThread; ++run) {
        // The source's side: it keeps the user waiting, then says the image is ready. Measured
        // from when the loop has settled into waiting (the source was opened and enabled well
        // before) to just before the source speaks.
        double cpuUsed = 0;
        double waited = 0;
        const DWORD threadId = ::GetCurrentThreadId();
        const DWORD settle = static_cast<DWORD>(plan.waitMilliseconds / 10);
        std::thread source([&] {
            ::Sleep(settle);
            const double cpuBefore = CpuMilliseconds(thisThread.get());
            const std::int64_t start = Now();
            ::Sleep(static_cast<DWORD>(plan.waitMilliseconds) - settle);
            cpuUsed = CpuMilliseconds(thisThread.get()) - cpuBefore;
            waited = Milliseconds(Now() - start);
            ::PostThreadMessageW(threadId, rig.NoticeMessage(), 0, 0);
        });
        const AcquireRun result = rig.Acquire(MakeDibBlock(kPages[0]), path.wstring(), true);
        source.join();
        if (result.result != 1 || waited <= 0) break;
        samples.push_back(100.0 * cpuUsed / waited);
    }
    std::filesystem::remove(path);
    if (samples.size() == static_cast<std::size_t>(plan.waitRuns)) {
        row.value = Summarize(samples);
        row.target = "< 1 % of one core";
        row.met = row.value.high < 1.0;
        row.note = "thread CPU time, counted in steps of the platform's clock tick";
    } else {
        row.note = "a run failed";
    }
    return {row};
}

std::vector<Row> MeasureLatency(const Plan& plan) {
    Row ready{"MSG_XFERREADY to the transfer request (DAT_IMAGEINFO)", "any", Unit::Microseconds};
    Row after{"Transfer end (MSG_ENDXFER) to Acquire returning", "any", Unit::Microseconds};
    AcquisitionRig rig;
    const auto path = AcquisitionRig::Directory() / L"latency.bmp";
    std::vector<double> readySamples;
    std::vector<double> afterSamples;
    for (int run = 0; run < plan.latencyRuns && rig; ++run) {
        const AcquireRun result = rig.Acquire(MakeDibBlock(kPages[0]), path.wstring());
        const standin::Call* event = result.TransferReady();
        const standin::Call* info = result.Find(DAT_IMAGEINFO, MSG_GET);
        const standin::Call* end = result.Find(DAT_PENDINGXFERS, MSG_ENDXFER);
        if (result.result != 1 || !event || !info || !end) break;
        readySamples.push_back(1000.0 * Milliseconds(info->enteredAt - event->leftAt));
        afterSamples.push_back(1000.0 * Milliseconds(result.returnedAt - end->enteredAt));
    }
    std::filesystem::remove(path);
    for (auto [row, samples] : {std::pair{&ready, &readySamples}, std::pair{&after, &afterSamples}}) {
        if (samples->size() == static_cast<std::size_t>(plan.latencyRuns)) row->value = Summarize(*samples);
        else row->note = "a run failed";
    }
    after.note = after.note.empty() ? "ENDXFER, DISABLEDS, CLOSEDS included; the file was written before" : after.note;
    return {ready, after};
}

std::vector<Row> MeasureCreateDestroy(const Plan& plan) {
    Row row{"Create + Destroy with Wine's DSM", "sample scanner installed"};
    const ChildRun child = RunWithSystemDsm(L"--create-destroy " + std::to_wstring(plan.createDestroyRuns));
    std::vector<double> samples;
    std::istringstream lines(child.output);
    std::string word;
    double value = 0;
    while (lines >> word >> value)
        if (word == "create-destroy") samples.push_back(value);
    if (child.exitCode == 0 && samples.size() == static_cast<std::size_t>(plan.createDestroyRuns)) {
        row.value = Summarize(samples);
        row.note = "the first run loads the DSM and its sources from disk";
    } else {
        row.note = "failed: " + child.output.substr(0, 80);
    }
    return {row};
}

int CreateDestroyChild(int runs) {
    ComponentClient client;
    if (!client) {
        std::printf("failed: no object\n");
        return 1;
    }
    for (int run = 0; run < runs; ++run) {
        const std::int64_t start = Now();
        const bool created = client.Create();
        client.Destroy();
        const double elapsed = Milliseconds(Now() - start);
        if (!created) {
            std::printf("failed: Create returned False\n");
            return 1;
        }
        std::printf("create-destroy %.3f\n", elapsed);
    }
    return 0;
}

}  // namespace bench
