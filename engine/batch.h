// A batch: enable the source, wait for its notice, transfer every page it has, disable it.
#pragma once

#include "engine/page_sink.h"
#include "engine/source_ref.h"
#include "engine/transfer_choice.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vantrel::engine {


struct BatchOptions {
    twain::TW_USERINTERFACE enable{};   // as MSG_ENABLEDS receives it
    twain::TW_USERINTERFACE disable{};  // as MSG_DISABLEDS receives it
    TransferMode mode = TransferMode::Native;
    std::int32_t maxPages = -1;         // -1: every page the source has
    // The requests of a plain TWAIN 1.x client only: no mechanism negotiated, no status asked,
    // no callback, so its sources see exactly the requests they always saw.
    bool classic = false;
    // Set by the owner while the batch runs (its Destroy): the batch ends at the next message.
    const bool* stop = nullptr;
    // How long to wait for the source's notice of a page; none (the default): as long as it takes.
    // After a page the pending ones are transferred at once, so this is the wait for the first.
    std::optional<std::chrono::milliseconds> pageTimeout;
    // The compression the source agreed to code pages in (TWCP_JPEG, TWCP_GROUP4) for a memory or file transfer:
    // strips are then pieces of one coded stream, a file a JFIF or a Group 4 TIFF, handed to the sink as they came.
    // TWCP_NONE: raw strips, BMP files.
    std::uint16_t compression = twain::TWCP_NONE;
};

enum class BatchEnd {
    Done,            // the source had no more pages
    LimitReached,    // maxPages delivered; the rest were reset
    Cancelled,       // the user cancelled a transfer
    ClosedBySource,  // the source asked to be closed (its dialog's Cancel or Close)
    Stopped,         // the owner stopped it
    Failed,          // the source or the sink failed; `reason` says how
    Quit,            // the thread's WM_QUIT arrived; `quitCode` must be re-posted by the owner
    TimedOut,        // no notice of a page within pageTimeout; the source was disabled
};

struct BatchResult {
    BatchEnd end = BatchEnd::Failed;
    std::uint32_t pages = 0;                          // pages the sink took
    std::uint16_t condition = twain::TWCC_SUCCESS;    // the source's condition code after a failure
    std::wstring reason;                              // empty for Done and LimitReached
    std::optional<WPARAM> quitCode;
};

// Runs with the source open (state 4) and leaves it open and disabled. Nested calls on one thread
// are the owner's to refuse.
BatchResult RunBatch(const SourceRef& source, const BatchOptions& options, PageSink& sink);

}  // namespace vantrel::engine
