// The job table: ids, states, the bounded page queues and the idle check.
#include "service/job_table.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace vantrel::service {

namespace {

// Finished jobs kept for clients that ask about them later; older ones go.
constexpr std::size_t kKeptJobs = 8;

bool Over(JobState state) { return state == JobState::Completed || state == JobState::Canceled || state == JobState::Aborted; }

}  // namespace

JobTable::JobTable(std::size_t queueLimit, std::function<void()> spaceFreed)
    : queueLimit_(queueLimit), spaceFreed_(std::move(spaceFreed)), seed_(std::random_device{}()) {
    seed_ = (seed_ << 32) ^ std::random_device{}();
}

JobTable::Job* JobTable::Get(const std::string& id) {
    for (Job& job : jobs_)
        if (job.info.id == id) return &job;
    return nullptr;
}

const JobTable::Job* JobTable::Get(const std::string& id) const { return const_cast<JobTable*>(this)->Get(id); }

std::optional<std::string> JobTable::Create(std::size_t source, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    for (const Job& job : jobs_)
        if (!job.batchOver) return std::nullopt;
    while (jobs_.size() >= kKeptJobs) jobs_.erase(jobs_.begin());
    // Unguessable, so one client cannot take another's pages by counting.
    const std::uint64_t a = seed_ ^ (++counter_ * 0x9e3779b97f4a7c15ULL);
    const std::uint64_t b = std::mt19937_64(a)();
    char id[40];
    std::snprintf(id, sizeof id, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(a >> 32), static_cast<unsigned>((a >> 16) & 0xffff),
                  static_cast<unsigned>(a & 0xffff), static_cast<unsigned>(b >> 48), static_cast<unsigned long long>(b & 0xffffffffffffULL));
    Job job;
    job.info.id = id;
    job.info.source = source;
    job.created = job.touched = now;
    jobs_.push_back(std::move(job));
    return jobs_.back().info.id;
}

void JobTable::Start(const std::string& id) {
    std::lock_guard lock(mutex_);
    if (Job* job = Get(id); job && job->info.state == JobState::Pending) job->info.state = JobState::Processing;
}

JobTable::Push JobTable::TryPush(const std::string& id, EncodedPage& page, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    Job* job = Get(id);
    if (!job || job->info.state == JobState::Canceled) return Push::Gone;
    if (job->pages.size() >= queueLimit_) return Push::Full;
    job->info.lastWidth = page.width;
    job->info.lastHeight = page.height;
    job->info.lastBytesPerLine = page.bytesPerLine;
    ++job->info.pagesScanned;
    job->pages.push_back(std::move(page));
    job->touched = now;
    changed_.notify_all();
    return Push::Taken;
}

JobTable::Next JobTable::Pop(const std::string& id, Clock::time_point now) {
    Next next;
    {
        std::lock_guard lock(mutex_);
        Job* job = Get(id);
        if (!job) return next;
        job->touched = now;
        if (job->pages.empty()) {
            next.kind = Over(job->info.state) ? Next::Kind::Done : Next::Kind::Waiting;
            return next;
        }
        next.kind = Next::Kind::Page;
        next.page = std::move(job->pages.front());
        job->pages.pop_front();
    }
    if (spaceFreed_) spaceFreed_();
    return next;
}

void JobTable::Finish(const std::string& id, JobState state, const std::string& reason, std::uint16_t condition) {
    std::lock_guard lock(mutex_);
    Job* job = Get(id);
    if (!job) return;
    job->batchOver = true;
    changed_.notify_all();
    // A cancelled job stays cancelled.
    if (Over(job->info.state)) return;
    job->info.state = state;
    job->info.reason = reason;
    job->info.condition = condition;
    changed_.notify_all();
}

void JobTable::Report(const std::string& id, std::vector<imaging::cleanup::ScannedPageReport> pages) {
    std::lock_guard lock(mutex_);
    if (Job* job = Get(id)) job->info.cleanup = std::move(pages);
}

void JobTable::AwaitPage(const std::string& id, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, limit, [&] {
        const Job* job = Get(id);
        return !job || !job->pages.empty() || Over(job->info.state);
    });
}

bool JobTable::Cancel(const std::string& id) {
    {
        std::lock_guard lock(mutex_);
        Job* job = Get(id);
        if (!job) return false;
        // A job already over keeps how it ended; only its pages go.
        if (!Over(job->info.state)) job->info.state = JobState::Canceled;
        job->pages.clear();
        changed_.notify_all();
    }
    if (spaceFreed_) spaceFreed_();
    return true;
}

bool JobTable::Cancelled(const std::string& id) const {
    std::lock_guard lock(mutex_);
    const Job* job = Get(id);
    return !job || job->info.state == JobState::Canceled;
}

JobInfo JobTable::Snapshot(const Job& job, Clock::time_point now) const {
    JobInfo info = job.info;
    info.pagesWaiting = static_cast<std::uint32_t>(job.pages.size());
    info.ageSeconds = std::chrono::duration_cast<std::chrono::seconds>(now - job.created).count();
    return info;
}

std::optional<JobInfo> JobTable::Find(const std::string& id, Clock::time_point now) const {
    std::lock_guard lock(mutex_);
    const Job* job = Get(id);
    if (!job) return std::nullopt;
    return Snapshot(*job, now);
}

std::vector<JobInfo> JobTable::Jobs(Clock::time_point now) const {
    std::lock_guard lock(mutex_);
    std::vector<JobInfo> infos;
    for (const Job& job : jobs_) infos.push_back(Snapshot(job, now));
    return infos;
}

bool JobTable::Busy() const {
    std::lock_guard lock(mutex_);
    return std::any_of(jobs_.begin(), jobs_.end(), [](const Job& job) { return !job.batchOver; });
}

std::vector<std::string> JobTable::Idle(Clock::time_point now, Clock::duration idle) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> ids;
    for (const Job& job : jobs_) {
        if (!job.pages.empty() && now - job.touched > idle) ids.push_back(job.info.id);
    }
    return ids;
}

bool IsJobId(const std::string& text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

}  // namespace vantrel::service
