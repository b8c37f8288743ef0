// A scanning session for the new surfaces: the DSM of either generation, its sources, one open
// source, its settings and its batches.
#pragma once

#include "engine/batch.h"
#include "engine/dsm_link.h"
#include "engine/failure.h"
#include "engine/source_ref.h"
#include "win32/win32_owners.h"

#include <optional>
#include <string>
#include <string_view>
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

// Who the application says it is to the DSM: version 1.0, US English, images; the DSM assigns the Id.
struct ApplicationProfile {
    twain::TW_UINT16 protocolMajor;
    twain::TW_UINT16 protocolMinor;
    bool twain2;  // DF_APP2: a TWAIN 2 DSM then hands out its entry points and memory functions
    std::string_view versionInfo;  // the texts in the system's code page
    std::string_view manufacturer;
    std::string_view productFamily;
    std::string_view productName;
};

// The new surfaces' identity.
inline constexpr ApplicationProfile kScanApplication{2, 4, true, "Vantrel 1.0", "Vantrel", "Vantrel", "Vantrel Scan"};

class Session {
public:
    explicit Session(DsmChoice choice = DsmChoice::Current) : choice_(choice) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { Close(); }

    // Loads the DSM and opens it for `owner`, or for a hidden window of our own when it is null,
    // so that a script without windows can scan. Empty on success, else the reason.
    std::wstring Open(HWND owner = nullptr) { return Open(owner, kScanApplication); }
    std::wstring Open(HWND owner, const ApplicationProfile& application);
    // Closes the source and the DSM and unloads it. During a batch it stops the batch instead, and
    // the batch closes everything when it has disabled the source.
    void Close() noexcept;
    bool open() const noexcept { return dsmOpen_; }
    bool twain2() const noexcept { return link_.usesDsmMemory(); }
    HWND owner() const noexcept { return parent_; }
    // The window MSG_CLOSEDSM names, when the client changes its own while the DSM is open.
    void Reparent(HWND owner) noexcept;
    // Zeroed while the DSM is closed; the Id the DSM assigned while it is open.
    const twain::TW_IDENTITY& applicationIdentity() const noexcept { return application_; }

    std::vector<SourceInfo> Sources();
    std::optional<SourceInfo> DefaultSource();
    // The DSM's own dialog; `chosen` receives the source picked. Refused while a source is open.
    Selection SelectSource(SourceInfo& chosen);

    // The DSM's dialog writing straight into the record OpenChosenSource opens, zeroed first: after
    // a cancelled or failed choice the DSM opens its default. Refused while a source is open.
    Selection ChooseSource();
    // MSG_OPENDS with that record as it stands (the DSM completes it); no status is asked.
    bool OpenChosenSource();

    // Opens the source with this product name, the system's default when empty; nothing on success,
    // else the failure (about "source", with the DSM's condition code when it refused to open it).
    std::optional<Failure> OpenSource(std::wstring_view productName);
    // The record stays as the DSM left it, so the next OpenChosenSource opens the same source.
    void CloseSource() noexcept;
    bool sourceOpen() const noexcept { return sourceOpen_; }
    const twain::TW_IDENTITY& sourceIdentity() const noexcept { return source_; }
    // Valid while a source is open.
    SourceRef Source() noexcept { return SourceRef{link_, application_, source_}; }

    // Refuses while another batch of this session runs (a handler called back into us).
    // `closeSourceAfter` closes the source before the client's quit message is posted again.
    BatchResult Scan(BatchOptions options, PageSink& sink, bool closeSourceAfter = false);
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
