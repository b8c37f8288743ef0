// Scripted acquisitions through Vantrel.dll against the stand-in DSM.
#include "bench/acquisition_rig.h"

namespace bench {

using namespace vantrel::twain;

const standin::Call* AcquireRun::Find(TW_UINT16 dat, TW_UINT16 msg) const {
    for (const standin::Call& call : calls)
        if (call.dat == dat && call.msg == msg) return &call;
    return nullptr;
}

const standin::Call* AcquireRun::TransferReady() const {
    for (const standin::Call& call : calls)
        if (call.dat == DAT_EVENT && call.rc == TWRC_DSEVENT) return &call;
    return nullptr;
}

std::int64_t Now() {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Milliseconds(std::int64_t ticks) {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

AcquisitionRig::AcquisitionRig() { connected_ = client_ && client_.Create(); }

AcquireRun AcquisitionRig::Acquire(vantrel::UniqueGlobal block, const std::wstring& file, bool sourceWaits) {
    dsm_.Reset();
    dsm_.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    dsm_.script().silentEnable = sourceWaits ? 1 : 0;
    dsm_.HandOverBlock(block.release());

    AcquireRun run;
    run.calledAt = Now();
    run.result = client_.Acquire(file);
    run.returnedAt = Now();
    run.calls = dsm_.Calls();
    // A block that was never transferred is still ours.
    const vantrel::UniqueGlobal untransferred(
        reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(std::exchange(dsm_.script().preparedImage, 0))));
    return run;
}

std::filesystem::path AcquisitionRig::Directory() {
    const auto directory = std::filesystem::temp_directory_path() / L"vantrel-bench";
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    return directory;
}

void EmptyTheClipboard() {
    vantrel::OpenClipboardSession clipboard(nullptr);
    if (clipboard) ::EmptyClipboard();
}

}  // namespace bench
