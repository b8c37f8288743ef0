// The session: opening the DSM (TWAIN 2 where it can), finding and opening sources, running batches.
#include "engine/session.h"

#include "win32/ansi_text.h"
#include "engine/condition_text.h"
#include "twain/identity_text.h"

#include <cstring>
#include <cwctype>

namespace vantrel::engine {

using namespace twain;

namespace {

constexpr std::size_t kMostSources = 256;  // a DSM that never says TWRC_ENDOFLIST must not hang us

void SetText(TW_STR32& field, std::string_view ansi) {
    WriteIdentityText(field, sizeof field, ansi, [](unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; });
}

std::wstring FieldText(const TW_STR32& field) { return FromAnsi(std::string_view(field, ::strnlen(field, sizeof field))); }

SourceInfo Describe(const TW_IDENTITY& identity) {
    SourceInfo info;
    info.productName = FieldText(identity.ProductName);
    info.manufacturer = FieldText(identity.Manufacturer);
    info.productFamily = FieldText(identity.ProductFamily);
    info.twain2 = (identity.SupportedGroups & DF_DS2) != 0;
    info.identity = identity;
    return info;
}

Selection SelectionFrom(TW_UINT16 rc) noexcept {
    switch (rc) {
    case TWRC_SUCCESS: return Selection::Chosen;
    case TWRC_CANCEL: return Selection::Cancelled;
    default: return Selection::Failed;
    }
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}

}  // namespace

TW_UINT16 Session::CallDsm(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    return link_.Call(application_, nullptr, dg, dat, msg, data);
}

std::wstring Session::Open(HWND owner, const ApplicationProfile& profile) {
    if (dsmOpen_) return {};
    if (!link_.Bind(choice_)) {
        // Most systems have only the 32-bit DSM and drivers, which a 64-bit program cannot load.
        if constexpr (sizeof(void*) == 8)
            return L"No 64-bit TWAIN Data Source Manager is installed (neither TWAINDSM.dll nor a 64-bit Twain_32.dll "
                   L"could be loaded). Scanners with only 32-bit drivers are reached through the 32-bit VantrelScan.dll "
                   L"or vantrel-scan.exe.";
        return L"No TWAIN Data Source Manager is installed (neither TWAINDSM.dll nor Twain_32.dll could be loaded).";
    }
    parent_ = owner;
    if (!parent_) {
        // Sources' dialogs need an owner; a script has none, so it gets a hidden one of ours.
        hiddenOwner_.reset(::CreateWindowExW(0, L"STATIC", L"Vantrel", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
        parent_ = hiddenOwner_.get();
    }

    std::memset(&application_, 0, sizeof application_);
    application_.Version.MajorNum = 1;
    application_.Version.MinorNum = 0;
    application_.Version.Language = TWLG_USA;
    application_.Version.Country = TWCY_USA;
    SetText(application_.Version.Info, profile.versionInfo);
    application_.ProtocolMajor = profile.protocolMajor;
    application_.ProtocolMinor = profile.protocolMinor;
    application_.SupportedGroups = (profile.twain2 ? DF_APP2 : 0) | DG_CONTROL | DG_IMAGE;
    SetText(application_.Manufacturer, profile.manufacturer);
    SetText(application_.ProductFamily, profile.productFamily);
    SetText(application_.ProductName, profile.productName);

    HWND parent = parent_;
    if (CallDsm(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent) != TWRC_SUCCESS) {
        link_.Release();
        hiddenOwner_.reset();
        std::memset(&application_, 0, sizeof application_);
        return L"The TWAIN Data Source Manager could not be opened.";
    }
    dsmOpen_ = true;
    // A TWAIN 1 application never asks, whatever the DSM answers.
    if (profile.twain2 && (application_.SupportedGroups & DF_DSM2)) {
        // A TWAIN 2 DSM: its own memory functions for every container, its entry point for every call.
        TW_ENTRYPOINT entry{};
        entry.Size = sizeof entry;
        if (CallDsm(DG_CONTROL, DAT_ENTRYPOINT, MSG_GET, &entry) != TWRC_SUCCESS || !link_.AdoptEntryPoints(entry)) {
            Close();
            return L"The TWAIN 2 Data Source Manager gave no entry points (DAT_ENTRYPOINT).";
        }
    }
    return {};
}

void Session::Close() noexcept {
    if (scanning_) {
        closeAfterScan_ = true;
        Stop();
        return;
    }
    CloseSource();
    if (dsmOpen_) {
        HWND parent = parent_;
        CallDsm(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
        dsmOpen_ = false;
    }
    link_.Release();
    hiddenOwner_.reset();
    parent_ = nullptr;
    std::memset(&application_, 0, sizeof application_);
    std::memset(&source_, 0, sizeof source_);
}

void Session::Reparent(HWND owner) noexcept {
    if (dsmOpen_ && !hiddenOwner_) parent_ = owner;
}

std::vector<SourceInfo> Session::Sources() {
    std::vector<SourceInfo> sources;
    if (!dsmOpen_) return sources;
    TW_IDENTITY identity{};
    for (TW_UINT16 msg = MSG_GETFIRST; sources.size() < kMostSources; msg = MSG_GETNEXT) {
        std::memset(&identity, 0, sizeof identity);
        if (CallDsm(DG_CONTROL, DAT_IDENTITY, msg, &identity) != TWRC_SUCCESS) break;
        sources.push_back(Describe(identity));
    }
    return sources;
}

std::optional<SourceInfo> Session::DefaultSource() {
    if (!dsmOpen_) return std::nullopt;
    TW_IDENTITY identity{};
    if (CallDsm(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &identity) != TWRC_SUCCESS) return std::nullopt;
    return Describe(identity);
}

Selection Session::SelectSource(SourceInfo& chosen) {
    const Selection selection = ChooseSource();
    if (selection == Selection::Chosen) chosen = Describe(source_);
    return selection;
}

std::optional<Failure> Session::OpenSource(std::wstring_view productName) {
    const auto failed = [](std::wstring message, std::optional<std::uint16_t> condition = {}) {
        return Failure{L"source", condition, std::move(message)};
    };
    if (!dsmOpen_) return failed(L"The TWAIN Data Source Manager is not open.");
    if (scanning_) return failed(L"A scan is running.");
    CloseSource();
    std::optional<SourceInfo> wanted;
    if (productName.empty()) {
        wanted = DefaultSource();
        if (!wanted) {
            const auto all = Sources();
            if (all.empty()) return failed(L"No TWAIN source is installed.");
            wanted = all.front();
        }
    } else {
        const auto all = Sources();
        for (const SourceInfo& source : all) {
            if (SameName(source.productName, productName)) {
                wanted = source;
                break;
            }
        }
        if (!wanted) {
            std::wstring known;
            for (const SourceInfo& source : all) known += (known.empty() ? L"\"" : L", \"") + source.productName + L"\"";
            return failed(L"No TWAIN source is named \"" + std::wstring(productName) + L"\"" +
                          (known.empty() ? std::wstring(L"; none is installed.") : L"; the sources are " + known + L"."));
        }
    }
    source_ = wanted->identity;
    if (!OpenChosenSource()) {
        TW_STATUS status{};
        CallDsm(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        std::memset(&source_, 0, sizeof source_);
        return failed(L"The source \"" + wanted->productName + L"\" could not be opened: " + DescribeCondition(status.ConditionCode) + L".",
                      status.ConditionCode);
    }
    return std::nullopt;
}

Selection Session::ChooseSource() {
    if (!dsmOpen_ || scanning_ || sourceOpen_) return Selection::Failed;
    std::memset(&source_, 0, sizeof source_);
    return SelectionFrom(CallDsm(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &source_));
}

bool Session::OpenChosenSource() {
    if (!dsmOpen_ || scanning_ || sourceOpen_) return false;
    sourceOpen_ = CallDsm(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_) == TWRC_SUCCESS;
    return sourceOpen_;
}

void Session::CloseSource() noexcept {
    if (!sourceOpen_ || scanning_) return;
    CallDsm(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
    sourceOpen_ = false;
}

BatchResult Session::Scan(BatchOptions options, PageSink& sink, bool closeSourceAfter) {
    BatchResult result;
    if (scanning_) {
        result.reason = L"A scan is already running.";
        return result;
    }
    if (!sourceOpen_) {
        result.reason = L"No source is open.";
        return result;
    }
    scanning_ = true;
    stop_ = false;
    options.stop = &stop_;
    result = RunBatch(Source(), options, sink);
    scanning_ = false;
    if (closeAfterScan_) {
        closeAfterScan_ = false;
        Close();
    } else if (closeSourceAfter) {
        CloseSource();
    }
    // The loop took the thread's quit message; the client's own loop must still see it.
    if (result.quitCode) ::PostQuitMessage(static_cast<int>(*result.quitCode));
    return result;
}

void Session::Stop() noexcept {
    if (!scanning_) return;
    stop_ = true;
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
}

}  // namespace vantrel::engine
