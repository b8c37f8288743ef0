// TWAIN 2 callbacks: the DSM calls us with a source's notice instead of queuing it for MSG_PROCESSEVENT.
#pragma once

#include "engine/source_ref.h"

#include <windows.h>

#include <cstdint>

namespace vantrel::engine {

// While it lives, notices the DSM delivers for `sourceId` by callback are kept for this batch, and
// the batch's thread is woken to take them.
class NoticeSubscription {
public:
    explicit NoticeSubscription(std::uint32_t sourceId);
    NoticeSubscription(const NoticeSubscription&) = delete;
    NoticeSubscription& operator=(const NoticeSubscription&) = delete;
    ~NoticeSubscription();

    // The oldest notice not yet taken, or MSG_NULL.
    twain::TW_UINT16 Take();

private:
    std::uint32_t sourceId_;
};

// DAT_CALLBACK / MSG_REGISTER_CALLBACK for a TWAIN 2 pair (a DSM with DF_DSM2 and a DF_DS2 source).
// False when the pair does not take callbacks: then notices come through MSG_PROCESSEVENT.
bool RegisterNoticeCallback(const SourceRef& source);

}  // namespace vantrel::engine
