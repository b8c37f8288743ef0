// The callback the DSM calls with notices, and the batches waiting for them.
#include "engine/notice_callback.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <vector>

namespace vantrel::engine {

using namespace twain;

namespace {

struct Waiting {
    std::uint32_t sourceId;
    DWORD thread;
    std::deque<TW_UINT16> notices;
};

// The DSM may call from any thread; each open source has at most one batch waiting.
std::mutex g_lock;
std::vector<Waiting> g_waiting;

TW_UINT16 __stdcall OnNotice(TW_IDENTITY* origin, TW_IDENTITY*, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void*) {
    if (dg != DG_CONTROL || dat != DAT_NULL || !origin) return TWRC_FAILURE;
    std::lock_guard<std::mutex> guard(g_lock);
    for (Waiting& waiting : g_waiting) {
        if (waiting.sourceId != origin->Id) continue;
        waiting.notices.push_back(msg);
        // Wakes the batch's message loop, which may be waiting for a message that never comes.
        ::PostThreadMessageW(waiting.thread, WM_NULL, 0, 0);
        return TWRC_SUCCESS;
    }
    return TWRC_FAILURE;
}

}  // namespace

NoticeSubscription::NoticeSubscription(std::uint32_t sourceId) : sourceId_(sourceId) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_waiting.push_back(Waiting{sourceId, ::GetCurrentThreadId(), {}});
}

NoticeSubscription::~NoticeSubscription() {
    std::lock_guard<std::mutex> guard(g_lock);
    g_waiting.erase(std::remove_if(g_waiting.begin(), g_waiting.end(),
                                   [this](const Waiting& waiting) { return waiting.sourceId == sourceId_; }),
                    g_waiting.end());
}

TW_UINT16 NoticeSubscription::Take() {
    std::lock_guard<std::mutex> guard(g_lock);
    for (Waiting& waiting : g_waiting) {
        if (waiting.sourceId != sourceId_ || waiting.notices.empty()) continue;
        const TW_UINT16 notice = waiting.notices.front();
        waiting.notices.pop_front();
        return notice;
    }
    return MSG_NULL;
}

bool RegisterNoticeCallback(const SourceRef& source) {
    if (!source.link.usesDsmMemory() || (source.source.SupportedGroups & DF_DS2) == 0) return false;
    TW_CALLBACK callback{};
    callback.CallBackProc = static_cast<TW_MEMREF>(reinterpret_cast<std::uintptr_t>(&OnNotice));
    return source.Call(DG_CONTROL, DAT_CALLBACK, MSG_REGISTER_CALLBACK, &callback) == TWRC_SUCCESS;
}

}  // namespace vantrel::engine
