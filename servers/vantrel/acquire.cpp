// Acquire: one image from the chosen source, by native transfer, through the session's batch.
#include "engine/batch.h"
#include "engine/capability_client.h"
#include "servers/vantrel/save_dib.h"
#include "servers/vantrel/twain_object.h"

namespace vantrel {

using namespace twain;

namespace {

// The one page goes to the file, or to the clipboard, which then owns the block.
class DibDelivery final : public engine::PageSink {
public:
    explicit DibDelivery(const std::wstring& file) : file_(file) {}

    bool TakeNative(DsmBlock& dib) override {
        const Delivery delivery = SaveDIB(reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(dib.get())), file_);
        if (delivery == Delivery::Clipboard) dib.release();
        return delivery != Delivery::Failed;
    }
    bool TakePage(const imaging::PageImage&) override { return false; }  // native transfers only
    std::wstring Failure() const override { return L"The image could not be delivered."; }

private:
    const std::wstring& file_;
};

TW_USERINTERFACE UserInterface(TW_UINT16 showUI, std::int32_t owner) noexcept {
    TW_USERINTERFACE ui{};
    ui.ShowUI = showUI;
    ui.ModalUI = 0;
    ui.hParent = static_cast<TW_HANDLE>(owner);
    return ui;
}

}  // namespace

Outcome TWAIN::Acquire(std::wstring_view file) {
    const std::wstring target(file);
    if (session_.scanning() || !session_.OpenChosenSource()) return Outcome::Failed;

    // Best effort: the source keeps its own default when any step fails.
    engine::SetRawOneValue(session_.Source(), CAP_INDICATORS, TWTY_BOOL, AbsoluteFlag(ProgressDialog_));
    engine::BatchOptions options;
    // Enabling passes Interface as stored: the automation True arrives as 0xFFFF.
    options.enable = UserInterface(static_cast<TW_UINT16>(Interface_), OwnerHwnd_);
    options.disable = UserInterface(AbsoluteFlag(Interface_), OwnerHwnd_);
    options.maxPages = 1;
    options.classic = true;
    DibDelivery delivery(target);
    // A Destroy from a handler is carried out once the source is closed.
    const engine::BatchResult batch = session_.Scan(options, delivery, true);
    if (batch.pages > 0) return Outcome::Carried;
    switch (batch.end) {
    case engine::BatchEnd::Cancelled:
    case engine::BatchEnd::ClosedBySource:
    case engine::BatchEnd::Stopped: return Outcome::Cancelled;
    default: return Outcome::Failed;
    }
}

}  // namespace vantrel
