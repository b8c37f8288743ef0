// A scanning session for the new surfaces: the DSM of either generation, its sources, one open
// source, its settings and its batches.
#pragma once

#include "engine/batch.h"
#include "engine/dsm_link.h"
#include "engine/source_ref.h"
#include "win32/win32_owners.h"

#include <optional>
#include <string>
#include <vector>

namespace vantrel::engine {

struct SourceInfo {
    std::wstring productName;
    std::wstring manufacturer;
    std::wstring productFamily;
    bool twain2 = false;  // DF_DS2
    twain::TW_IDENTITY identity{};
};

enum class Selection { Chosen, Cancelled, Failed };

class Session {
public:
    explicit Session(DsmChoice choice = DsmChoice::Current) : choice_(choice) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { Close(); }

    // Loads the DSM and opens it for `owner`, or for a hidden window of our own when it is null,
    // so that a script without windows can scan. Empty on success, else the reason.
    std::wstring Open(HWND owner = nullptr);
    // Closes the source and the DSM and unloads it. During a batch it stops the batch instead, and
    // the batch closes everything when it has disabled the source.
    void Close() noexcept;
    bool open() const noexcept { return dsmOpen_; }
    bool twain2() const noexcept { return link_.usesDsmMemory(); }
    HWND owner() const noexcept { return parent_; }

    std::vector<SourceInfo> Sources();
    std::optional<SourceInfo> DefaultSource();
    // The DSM's own dialog; `chosen` receives the source picked.
    Selection SelectSource(SourceInfo& chosen);

    // Opens the source with this product name, the system's default when empty. Empty on success.
    std::wstring OpenSource(std::wstring_view productName);
    void CloseSource() noexcept;
    bool sourceOpen() const noexcept { return sourceOpen_; }
    const twain::TW_IDENTITY& sourceIdentity() const noexcept { return source_; }
    // Valid while a source is open.
    SourceRef Source() noexcept { return SourceRef{link_, application_, source_}; }

    // Refuses while another batch of this session runs (a handler called back into us).
    BatchResult Scan(BatchOptions options, PageSink& sink);
    bool scanning() const noexcept { return scanning_; }
    // Ends a running batch at its next message (Destroy, the last Release); safe to call any time.
    void Stop() noexcept;

private:
    twain::TW_UINT16 CallDsm(twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);

    DsmChoice choice_;
    DsmLink link_;
    UniqueWindow hiddenOwner_;
    HWND parent_ = nullptr;
    twain::TW_IDENTITY application_{};
    twain::TW_IDENTITY source_{};
    bool dsmOpen_ = false;
    bool sourceOpen_ = false;
    bool scanning_ = false;
    bool stop_ = false;
    bool closeAfterScan_ = false;
};

}  // namespace vantrel::engine
