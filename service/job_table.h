// The service's scan jobs: one runs at a time (one TWAIN session scans one batch), each with a
// bounded queue of encoded pages between the scanning thread and the clients. Thread-safe.
#pragma once

#include "imaging/cleanup/cleaning_consumer.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::service {

enum class JobState { Pending, Processing, Completed, Canceled, Aborted };

struct EncodedPage {
    std::string bytes;
    std::string contentType;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bytesPerLine = 0;
};

struct JobInfo {
    std::string id;
    std::size_t source = 0;
    JobState state = JobState::Pending;
    std::uint32_t pagesScanned = 0;
    std::uint32_t pagesWaiting = 0;
    std::int64_t ageSeconds = 0;
    std::uint32_t lastWidth = 0;
    std::uint32_t lastHeight = 0;
    std::uint32_t lastBytesPerLine = 0;
    std::string reason;  // why it ended early, in the engine's words
    std::uint16_t condition = 0;  // the source's condition code then
    std::vector<imaging::cleanup::ScannedPageReport> cleanup;  // every page scanned, once a cleaned batch has ended
};

using Clock = std::chrono::steady_clock;

class JobTable {
public:
    // `spaceFreed` is called (without the lock held) whenever a client takes a page or a job is
    // cancelled, so a producer waiting for room can look again.
    JobTable(std::size_t queueLimit, std::function<void()> spaceFreed);

    // A new job for the source, or nullopt while the backend is still busy with another (also one
    // cancelled whose batch has not ended yet).
    std::optional<std::string> Create(std::size_t source, Clock::time_point now);
    void Start(const std::string& id);

    enum class Push { Taken, Full, Gone };
    // The page is moved into the queue only when Taken. Gone: the job was cancelled (or is unknown).
    Push TryPush(const std::string& id, EncodedPage& page, Clock::time_point now);

    struct Next {
        enum class Kind { Page, Waiting, Done, Unknown } kind = Kind::Unknown;
        EncodedPage page;
    };
    Next Pop(const std::string& id, Clock::time_point now);
    // Waits at most `limit` for the job to have a page or to be over, so a client asking early
    // gets the page as soon as it is scanned instead of a retry later.
    void AwaitPage(const std::string& id, std::chrono::milliseconds limit);

    // The backend is done with the job: Completed, or Aborted with the engine's reason (a
    // cancelled job stays Canceled).
    void Finish(const std::string& id, JobState state, const std::string& reason, std::uint16_t condition);
    // The clean-up's report of every page the batch scanned.
    void Report(const std::string& id, std::vector<imaging::cleanup::ScannedPageReport> pages);
    // Drops the job's pages and marks a running job cancelled; false for an unknown id.
    bool Cancel(const std::string& id);
    bool Cancelled(const std::string& id) const;

    std::optional<JobInfo> Find(const std::string& id, Clock::time_point now) const;
    std::vector<JobInfo> Jobs(Clock::time_point now) const;
    bool Busy() const;
    // Jobs whose waiting pages no client has come for within `idle` (since the last page or fetch).
    std::vector<std::string> Idle(Clock::time_point now, Clock::duration idle) const;

private:
    struct Job {
        JobInfo info;
        Clock::time_point created;
        Clock::time_point touched;
        std::deque<EncodedPage> pages;
        bool batchOver = false;  // the backend is done with it, the source closed
    };
    Job* Get(const std::string& id);
    const Job* Get(const std::string& id) const;
    JobInfo Snapshot(const Job& job, Clock::time_point now) const;

    const std::size_t queueLimit_;
    std::function<void()> spaceFreed_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Job> jobs_;  // oldest first
    std::uint64_t counter_ = 0;
    std::uint64_t seed_ = 0;
};

// A job id as the service gives it: 36 characters of lower-case hex digits and dashes.
bool IsJobId(const std::string& text);

}  // namespace vantrel::service
