// One scripted acquisition after another: Vantrel.dll, connected to the stand-in DSM, which
// hands over a block the benchmark prepared and records when each request came and went.
#pragma once

#include "bench/component_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "win32/win32_owners.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

struct AcquireRun {
    short result = -2;
    std::int64_t calledAt = 0;    // QueryPerformanceCounter before the client's call
    std::int64_t returnedAt = 0;  // and after it
    std::vector<standin::Call> calls;

    // The recorded request, or null when it was not made.
    const standin::Call* Find(vantrel::twain::TW_UINT16 dat, vantrel::twain::TW_UINT16 msg) const;
    // The DSM event that said MSG_XFERREADY.
    const standin::Call* TransferReady() const;
};

double Milliseconds(std::int64_t ticks);
std::int64_t Now();

class AcquisitionRig {
public:
    AcquisitionRig();
    explicit operator bool() const { return connected_; }

    // Acquires `block` into `file` (the clipboard when empty). With `sourceWaits` the source
    // posts nothing on enabling: the caller posts NoticeMessage() to this thread when it is time.
    AcquireRun Acquire(vantrel::UniqueGlobal block, const std::wstring& file, bool sourceWaits = false);

    UINT NoticeMessage() const { return dsm_.NoticeMessage(); }

    // Where the files go: a directory of the temporary directory, as a client would choose.
    static std::filesystem::path Directory();

private:
    standin::StandInDsm dsm_;  // before the client: the DSM reads its script when loaded
    ComponentClient client_;
    bool connected_ = false;
};

// Empties the clipboard, so the block it holds is freed outside a measurement.
void EmptyTheClipboard();

}  // namespace bench
