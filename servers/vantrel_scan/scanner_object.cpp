// The Scanner class as automation clients see it: IScanner over the engine's session and the image files.
#include "servers/vantrel_scan/scanner_object.h"

#include "win32/ansi_text.h"
#include "engine/capability_client.h"
#include "servers/vantrel_scan/capability_variant.h"
#include "engine/condition_text.h"
#include "com/guarded.h"
#include "servers/vantrel_scan/error_info.h"
#include "imaging/files/file_errors.h"
#include "imaging/files/page_files.h"
#include "engine/scan_job.h"
#include "servers/vantrel_scan/source_list.h"
#include "win32/utf8_text.h"

#include <olectl.h>

#include <cwctype>
#include <filesystem>
#include <string_view>

namespace vantrel {

using namespace twain;

namespace {

using com::HandOut;

HRESULT HandOutFlag(bool value, VARIANT_BOOL* out) {
    if (!out) return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

std::wstring View(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

std::wstring Folded(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

HRESULT Fail(const std::wstring& description, HRESULT status = kScanFailed) {
    return RaiseError(IID_IScanner, description, status);
}

std::wstring PaperSizeNames() {
    std::wstring names;
    for (const engine::PaperSize& size : engine::PaperSizes()) names += (names.empty() ? L"" : L", ") + Widen(size.name);
    return names;
}

LONG StoredPages(const std::vector<imaging::StoredFile>& files) {
    LONG pages = 0;
    for (const imaging::StoredFile& file : files) pages += static_cast<LONG>(file.pages);
    return pages;
}

// The batch's reason, and what of the batch is on disk: "...; pages 1 to 6 were saved in C:\scans\doc.pdf."
std::wstring FailureText(std::wstring reason, const std::vector<imaging::StoredFile>& files) {
    if (!reason.empty() && reason.back() == L'.') reason.pop_back();
    const LONG pages = StoredPages(files);
    if (pages == 0) return reason + L"; no page was saved.";
    const std::wstring where = files.size() == 1 ? files.front().path : files.front().path + L" to " + files.back().path;
    if (pages == 1) return reason + L"; page 1 was saved in " + where + L".";
    return reason + L"; pages 1 to " + std::to_wstring(pages) + L" were saved in " + where + L".";
}

const wchar_t* ColorModeName(engine::ColorMode mode) {
    switch (mode) {
    case engine::ColorMode::Color: return L"color";
    case engine::ColorMode::Gray: return L"gray";
    case engine::ColorMode::BlackWhite: return L"bw";
    }
    return L"";
}

capability::ItemType TypeOf(const capability::Container& container) {
    return std::visit([](const auto& held) { return held.type; }, container);
}

// A String property handed out: the caller's pointer checked and cleared first, nothing thrown across.
template <typename Text>
HRESULT HandOutText(BSTR* out, Text text) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guarded(IID_IScanner, [&] { return HandOut(text(), out); });
}

}  // namespace

ScannerObject::ScannerObject() { com::Lock(); }
ScannerObject::~ScannerObject() { com::Unlock(); }

HRESULT ScannerObject::CreateInstance(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    try {
        auto* created = new ScannerObject();
        const HRESULT hr = created->QueryInterface(iid, object);
        created->Release();
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ScannerObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IScanner)
        *object = static_cast<IScanner*>(this);
    else if (iid == IID_ISupportErrorInfo)
        *object = static_cast<ISupportErrorInfo*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
        *object = static_cast<IProvideClassInfo2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG ScannerObject::AddRef() { return ++references_; }

ULONG ScannerObject::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
        return 0;
    }
    // Only the running Scan holds it now: the client has let go, so the batch ends at its next message.
    if (left == 1 && scanning_) scanning_->Stop();
    return left;
}

HRESULT ScannerObject::InterfaceSupportsErrorInfo(REFIID iid) { return iid == IID_IScanner ? S_OK : S_FALSE; }

HRESULT ScannerObject::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return EnumerateConnectionPoint(&events_, points);
}

HRESULT ScannerObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != DIID_IScannerEvents) return CONNECT_E_NOCONNECTION;
    events_.AddRef();
    *point = &events_;
    return S_OK;
}

HRESULT ScannerObject::GetClassInfo(ITypeInfo** typeInfo) { return com::TypeInfoOf(CLSID_Scanner, typeInfo); }

HRESULT ScannerObject::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = DIID_IScannerEvents;
    return S_OK;
}

std::wstring ScannerObject::OpenSource(engine::Session& session) const {
    const HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(owner_));
    if (owner && !::IsWindow(owner))
        return L"OwnerHwnd " + std::to_wstring(owner_) + L" is not a window; set it to 0 to let the component use a hidden window of its own.";
    if (auto error = session.Open(owner); !error.empty()) return error;
    const auto failure = session.OpenSource(source_);
    return failure ? failure->message : std::wstring();
}

HRESULT ScannerObject::QuerySource(const VARIANT& name, TW_UINT16 msg, capability::Container& container) {
    std::wstring error;
    const auto named = scan::ReadCapabilityName(name, error);
    if (!named) return Fail(error, E_INVALIDARG);
    if (scanning_) return Fail(L"A scan is running on this Scanner; ask again when it has ended.");
    engine::Session session;
    if (auto opened = OpenSource(session); !opened.empty()) return Fail(opened);
    const engine::CapabilityReply reply = engine::QueryCapability(session.Source(), named->number, msg);
    const std::wstring label = engine::CapabilityLabel(named->number);
    if (!reply.problem.empty()) return Fail(L"The source's answer for " + label + L" cannot be read: " + reply.problem + L".");
    if (!reply.ok() || !reply.container)
        return Fail(L"The source does not report " + label + L": " + engine::DescribeCondition(reply.condition) + L".");
    container = *reply.container;
    return S_OK;
}

HRESULT ScannerObject::get_Sources(IScannerSources** sources) {
    if (!sources) return E_POINTER;
    *sources = nullptr;
    return Guarded(IID_IScanner, [&] {
        if (scanning_) return Fail(L"A scan is running on this Scanner; ask again when it has ended.");
        engine::Session session;
        if (auto error = session.Open(nullptr); !error.empty()) return Fail(error);
        std::vector<std::wstring> names;
        for (const engine::SourceInfo& source : session.Sources()) names.push_back(source.productName);
        return SourceList::Create(std::move(names), sources);
    });
}

HRESULT ScannerObject::get_Source(BSTR* name) {
    return HandOutText(name, [&]() -> std::wstring { return source_; });
}

HRESULT ScannerObject::put_Source(BSTR name) {
    return Guarded(IID_IScanner, [&] {
        source_ = View(name);
        return S_OK;
    });
}

HRESULT ScannerObject::SelectSource(VARIANT_BOOL* chosen) {
    if (!chosen) return E_POINTER;
    *chosen = VARIANT_FALSE;
    return Guarded(IID_IScanner, [&] {
        if (scanning_) return Fail(L"A scan is running on this Scanner; choose the source when it has ended.");
        const HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(owner_));
        if (owner && !::IsWindow(owner)) return Fail(L"OwnerHwnd " + std::to_wstring(owner_) + L" is not a window.");
        engine::Session session;
        if (auto error = session.Open(owner); !error.empty()) return Fail(error);
        engine::SourceInfo picked;
        switch (session.SelectSource(picked)) {
        case engine::Selection::Chosen:
            source_ = picked.productName;
            *chosen = VARIANT_TRUE;
            return S_OK;
        case engine::Selection::Cancelled: return S_OK;
        case engine::Selection::Failed: break;
        }
        return Fail(L"The TWAIN Data Source Manager could not show its dialog to choose a source.");
    });
}

HRESULT ScannerObject::get_OwnerHwnd(LONG* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = owner_;
    return S_OK;
}

HRESULT ScannerObject::put_OwnerHwnd(LONG hwnd) {
    owner_ = hwnd;
    return S_OK;
}

HRESULT ScannerObject::get_ShowUI(VARIANT_BOOL* shown) {
    if (!shown) return E_POINTER;
    *shown = showUI_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ScannerObject::put_ShowUI(VARIANT_BOOL shown) {
    showUI_ = shown != VARIANT_FALSE;
    return S_OK;
}

HRESULT ScannerObject::get_Resolution(LONG* dpi) {
    if (!dpi) return E_POINTER;
    *dpi = static_cast<LONG>(settings_.resolution.value_or(0));
    return S_OK;
}

HRESULT ScannerObject::put_Resolution(LONG dpi) {
    return Guarded(IID_IScanner, [&] {
        if (dpi < 0) return Fail(L"Resolution must be 0 (the source's own setting) or a positive number of dots per inch.", E_INVALIDARG);
        if (dpi == 0) settings_.resolution.reset();
        else settings_.resolution = dpi;
        return S_OK;
    });
}

HRESULT ScannerObject::get_ColorMode(BSTR* mode) {
    return HandOutText(mode, [&]() -> std::wstring { return settings_.colorMode ? ColorModeName(*settings_.colorMode) : L""; });
}

HRESULT ScannerObject::put_ColorMode(BSTR mode) {
    return Guarded(IID_IScanner, [&] {
        const std::wstring text = View(mode);
        if (text.empty()) {
            settings_.colorMode.reset();
            return S_OK;
        }
        const auto parsed = engine::ParseColorMode(text);
        if (!parsed) return Fail(L"ColorMode \"" + text + L"\" is not known: use \"color\", \"gray\" or \"bw\" (empty leaves the source's setting).", E_INVALIDARG);
        settings_.colorMode = parsed;
        return S_OK;
    });
}

HRESULT ScannerObject::get_PaperSize(BSTR* size) {
    return HandOutText(size, [&]() -> std::wstring { return settings_.paperSize ? Widen(settings_.paperSize->name) : L""; });
}

HRESULT ScannerObject::put_PaperSize(BSTR size) {
    return Guarded(IID_IScanner, [&] {
        const std::wstring text = View(size);
        if (text.empty()) {
            settings_.paperSize.reset();
            return S_OK;
        }
        const auto found = engine::FindPaperSize(ToAnsi(text));
        if (!found) return Fail(L"PaperSize \"" + text + L"\" is not known; the sizes are " + PaperSizeNames() + L".", E_INVALIDARG);
        settings_.paperSize = found;
        return S_OK;
    });
}

HRESULT ScannerObject::get_Feeder(VARIANT_BOOL* used) { return HandOutFlag(settings_.feeder.value_or(false), used); }

HRESULT ScannerObject::put_Feeder(VARIANT_BOOL used) {
    settings_.feeder = used != VARIANT_FALSE;
    return S_OK;
}

HRESULT ScannerObject::get_Duplex(VARIANT_BOOL* both) { return HandOutFlag(settings_.duplex.value_or(false), both); }

HRESULT ScannerObject::put_Duplex(VARIANT_BOOL both) {
    settings_.duplex = both != VARIANT_FALSE;
    return S_OK;
}

HRESULT ScannerObject::get_MaxPages(LONG* pages) {
    if (!pages) return E_POINTER;
    *pages = maxPages_;
    return S_OK;
}

HRESULT ScannerObject::put_MaxPages(LONG pages) {
    return Guarded(IID_IScanner, [&] {
        if (pages == 0 || pages < -1) return Fail(L"MaxPages must be -1 (every page the source has) or at least 1.", E_INVALIDARG);
        maxPages_ = pages;
        return S_OK;
    });
}

HRESULT ScannerObject::get_TransferMode(BSTR* mode) {
    return HandOutText(mode, [&]() -> std::wstring { return mode_ == engine::TransferMode::Memory ? L"memory" : mode_ == engine::TransferMode::File ? L"file" : L"native"; });
}

HRESULT ScannerObject::put_TransferMode(BSTR mode) {
    return Guarded(IID_IScanner, [&] {
        const std::wstring text = Folded(View(mode));
        if (text == L"native") mode_ = engine::TransferMode::Native;
        else if (text == L"memory") mode_ = engine::TransferMode::Memory;
        else if (text == L"file") mode_ = engine::TransferMode::File;
        else return Fail(L"TransferMode \"" + View(mode) + L"\" is not known: use \"native\", \"memory\" or \"file\".", E_INVALIDARG);
        return S_OK;
    });
}

HRESULT ScannerObject::get_Compression(BSTR* who) {
    return HandOutText(who, [&]() -> std::wstring { return compression_ == engine::Compression::Ours ? L"ours" : L"source"; });
}

HRESULT ScannerObject::put_Compression(BSTR who) {
    return Guarded(IID_IScanner, [&] {
        const std::wstring text = Folded(View(who));
        if (text == L"source") compression_ = engine::Compression::Source;
        else if (text == L"ours") compression_ = engine::Compression::Ours;
        else return Fail(L"Compression \"" + View(who) + L"\" is not known: use \"source\" or \"ours\".", E_INVALIDARG);
        return S_OK;
    });
}

HRESULT ScannerObject::get_JpegQuality(LONG* quality) {
    if (!quality) return E_POINTER;
    *quality = jpegQuality_;
    return S_OK;
}

HRESULT ScannerObject::put_JpegQuality(LONG quality) {
    return Guarded(IID_IScanner, [&] {
        if (quality < 1 || quality > 100) return Fail(L"JpegQuality must be from 1 to 100.", E_INVALIDARG);
        jpegQuality_ = quality;
        return S_OK;
    });
}

HRESULT ScannerObject::get_Capability(VARIANT name, VARIANT* value) {
    if (!value) return E_POINTER;
    ::VariantInit(value);
    return Guarded(IID_IScanner, [&] {
        std::wstring error;
        const auto named = scan::ReadCapabilityName(name, error);
        if (!named) return Fail(error, E_INVALIDARG);
        // What this object will set is what the next scan uses.
        if (const auto* pending = settings_.FindCapability(named->number)) return scan::CurrentValueToVariant(*pending, value);
        capability::Container container;
        const HRESULT read = QuerySource(name, MSG_GETCURRENT, container);
        if (FAILED(read)) return read;
        return scan::CurrentValueToVariant(container, value);
    });
}

HRESULT ScannerObject::put_Capability(VARIANT name, VARIANT value) {
    return Guarded(IID_IScanner, [&] {
        std::wstring error;
        const auto named = scan::ReadCapabilityName(name, error);
        if (!named) return Fail(error, E_INVALIDARG);
        // Empty forgets the client's value: the source keeps its own again.
        const VARIANT& given = V_VT(&value) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&value) ? *V_VARIANTREF(&value) : value;
        if (V_VT(&given) == VT_EMPTY) {
            settings_.ForgetCapability(named->number);
            return S_OK;
        }
        std::optional<capability::ItemType> type;
        if (named->info) type = named->info->itemType;
        if (!type) {
            // A capability TWAIN does not name: its type is the one the source reports.
            capability::Container current;
            const HRESULT read = QuerySource(name, MSG_GETCURRENT, current);
            if (FAILED(read)) return read;
            type = TypeOf(current);
        }
        auto container = scan::ContainerFromVariant(*type, value, error);
        if (!container) return Fail(engine::CapabilityLabel(named->number) + L": " + error, E_INVALIDARG);
        settings_.SetCapability(named->number, std::move(*container));
        return S_OK;
    });
}

HRESULT ScannerObject::CapabilityValues(VARIANT name, VARIANT* values) {
    if (!values) return E_POINTER;
    ::VariantInit(values);
    return Guarded(IID_IScanner, [&] {
        capability::Container container;
        const HRESULT read = QuerySource(name, MSG_GET, container);
        if (FAILED(read)) return read;
        return scan::AllowedValuesToVariant(container, values);
    });
}

HRESULT ScannerObject::CapabilityKind(VARIANT name, BSTR* kind) {
    if (!kind) return E_POINTER;
    *kind = nullptr;
    return Guarded(IID_IScanner, [&] {
        capability::Container container;
        const HRESULT read = QuerySource(name, MSG_GET, container);
        if (FAILED(read)) return read;
        return HandOut(scan::ContainerKind(container), kind);
    });
}

HRESULT ScannerObject::Scan(BSTR path, LONG* pages) {
    if (!pages) return E_POINTER;
    *pages = 0;
    return Guarded(IID_IScanner, [&] {
        if (scanning_) return Fail(L"A scan is already running on this Scanner; a PageScanned handler cannot start another.");
        const std::wstring target = View(path);
        if (target.empty()) return Fail(L"Scan needs the path of the file to write, for example C:\\scans\\doc.pdf.", E_INVALIDARG);
        imaging::FileOptions fileOptions;
        fileOptions.jpegQuality = static_cast<int>(jpegQuality_);
        fileOptions.pdfa = pdfa_;
        fileOptions.metadata = metadata_;
        std::wstring error;
        const auto files = imaging::OpenPageFiles(target, fileOptions, error);
        if (!files) return Fail(error, E_INVALIDARG);
        pagesScanned_ = 0;
        recovered_.clear();
        // Found before the scan, so no sheet leaves the feeder for a file that cannot be written.
        const std::filesystem::path folder = std::filesystem::path(target).parent_path();
        const DWORD attributes = folder.empty() ? FILE_ATTRIBUTE_DIRECTORY : ::GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return Fail(imaging::FileErrorText(target, ERROR_PATH_NOT_FOUND), E_INVALIDARG);

        // The client's handlers run inside the batch and may drop the last reference: the object
        // stays until the batch has ended, and the session (declared after) closes before that.
        AddRef();
        struct EndOfScan {
            ScannerObject* self;
            ~EndOfScan() {
                self->scanning_ = nullptr;
                self->Release();
            }
        } end{this};
        engine::Session session;
        scanning_ = &session;

        if (auto opened = OpenSource(session); !opened.empty()) return Fail(opened);
        engine::ScanJob job;
        job.settings = settings_;
        job.refuseEmptyFeeder = true;
        job.showUI = showUI_;
        if (timeout_) job.pageTimeout = std::chrono::seconds(*timeout_);
        job.mode = mode_;
        job.compression = compression_;
        job.maxPages = static_cast<std::int32_t>(maxPages_);
        job.closeSourceAfterBatch = true;
        job.target = target;
        job.cleanup = cleanup_;
        job.pageStored = [this](long page, const std::wstring& file, const imaging::PageImage&) {
            pagesScanned_ = page;
            events_.PageScanned(page, file);
        };
        pageReport_.clear();
        const engine::ScanJobResult scanned = engine::RunScanJob(session, job, *files);
        for (const auto& scan : scanned.recovered) recovered_ += (recovered_.empty() ? L"" : L"\n") + scan.text;
        for (const auto& page : scanned.pages) pageReport_ += imaging::cleanup::DescribeReport(page) + L"\r\n";
        if (scanned.refusal) return Fail(scanned.refusal->message);
        const engine::BatchResult& batch = scanned.batch;

        // The job completed the files also after an early end: what is on disk is what counts.
        pagesScanned_ = StoredPages(files->Files());
        *pages = pagesScanned_;
        if (!scanned.finished) return Fail(scanned.filesError);
        // A quit request ends the scan too; the session has posted it again for the caller's loop.
        if (batch.end == engine::BatchEnd::Failed || batch.end == engine::BatchEnd::Quit || batch.end == engine::BatchEnd::TimedOut)
            return Fail(FailureText(batch.reason, files->Files()));
        return S_OK;
    });
}

HRESULT ScannerObject::get_PagesScanned(LONG* pages) {
    if (!pages) return E_POINTER;
    *pages = pagesScanned_;
    return S_OK;
}

HRESULT ScannerObject::get_Recovered(BSTR* text) {
    return HandOutText(text, [&]() -> std::wstring { return recovered_; });
}

HRESULT ScannerObject::get_Timeout(LONG* seconds) {
    if (!seconds) return E_POINTER;
    const auto standard = showUI_ ? std::chrono::seconds{0} : engine::kDefaultPageTimeout;
    *seconds = timeout_.value_or(static_cast<long>(standard.count()));
    return S_OK;
}

HRESULT ScannerObject::put_Timeout(LONG seconds) {
    return Guarded(IID_IScanner, [&] {
        if (seconds < 0) return Fail(L"Timeout must be 0 (wait as long as it takes) or a number of seconds.", E_INVALIDARG);
        timeout_ = seconds;
        return S_OK;
    });
}

// A source's dialog that never ends would hold Scan for ever: the caller ends it from its own code.
HRESULT ScannerObject::Stop() {
    if (scanning_) scanning_->Stop();
    return S_OK;
}

HRESULT ScannerObject::get_BlankPages(BSTR* mode) {
    return HandOutText(mode, [&]() -> std::wstring { return cleanup_.skipBlank ? L"skip" : L"keep"; });
}

HRESULT ScannerObject::put_BlankPages(BSTR mode) {
    return Guarded(IID_IScanner, [&] {
        const std::wstring text = Folded(View(mode));
        if (text != L"keep" && text != L"skip") return Fail(L"BlankPages \"" + View(mode) + L"\" is not known: use \"keep\" or \"skip\".", E_INVALIDARG);
        cleanup_.skipBlank = text == L"skip";
        return S_OK;
    });
}

HRESULT ScannerObject::get_BlankThreshold(double* percent) {
    if (!percent) return E_POINTER;
    *percent = cleanup_.blank.thresholdPercent;
    return S_OK;
}

HRESULT ScannerObject::put_BlankThreshold(double percent) {
    return Guarded(IID_IScanner, [&] {
        if (!(percent >= 0 && percent <= 100)) return Fail(L"BlankThreshold must be a percentage from 0 to 100.", E_INVALIDARG);
        cleanup_.blank.thresholdPercent = percent;
        return S_OK;
    });
}

HRESULT ScannerObject::get_Deskew(VARIANT_BOOL* on) { return HandOutFlag(cleanup_.deskew, on); }

HRESULT ScannerObject::put_Deskew(VARIANT_BOOL on) {
    cleanup_.deskew = on != VARIANT_FALSE;
    return S_OK;
}

HRESULT ScannerObject::get_CropBorders(VARIANT_BOOL* on) { return HandOutFlag(cleanup_.crop, on); }

HRESULT ScannerObject::put_CropBorders(VARIANT_BOOL on) {
    cleanup_.crop = on != VARIANT_FALSE;
    return S_OK;
}

HRESULT ScannerObject::get_Despeckle(LONG* pixels) {
    if (!pixels) return E_POINTER;
    *pixels = static_cast<LONG>(cleanup_.despeckle);
    return S_OK;
}

HRESULT ScannerObject::put_Despeckle(LONG pixels) {
    return Guarded(IID_IScanner, [&] {
        if (pixels < 0 || pixels > 10000) return Fail(L"Despeckle must be from 0 (none) to 10000 pixels.", E_INVALIDARG);
        cleanup_.despeckle = static_cast<std::uint32_t>(pixels);
        return S_OK;
    });
}

HRESULT ScannerObject::get_Binarize(BSTR* method) {
    using imaging::cleanup::Binarization;
    return HandOutText(method, [&]() -> std::wstring {
        return cleanup_.binarize == Binarization::Adaptive ? L"adaptive" : cleanup_.binarize == Binarization::Otsu ? L"otsu" : L"";
    });
}

HRESULT ScannerObject::put_Binarize(BSTR method) {
    using imaging::cleanup::Binarization;
    return Guarded(IID_IScanner, [&] {
        const std::wstring text = Folded(View(method));
        if (!text.empty() && text != L"adaptive" && text != L"otsu")
            return Fail(L"Binarize \"" + View(method) + L"\" is not known: use \"adaptive\", \"otsu\" or \"\" (pages as scanned).", E_INVALIDARG);
        cleanup_.binarize = text.empty() ? Binarization::None : text == L"otsu" ? Binarization::Otsu : Binarization::Adaptive;
        return S_OK;
    });
}

HRESULT ScannerObject::get_PageReport(BSTR* report) {
    return HandOutText(report, [&]() -> std::wstring { return pageReport_; });
}

HRESULT ScannerObject::get_CleanupBy(BSTR* who) {
    return HandOutText(who, [&]() -> std::wstring { return imaging::cleanup::CleanupByName(cleanup_.by); });
}

HRESULT ScannerObject::put_CleanupBy(BSTR who) {
    return Guarded(IID_IScanner, [&] {
        const auto by = imaging::cleanup::CleanupByNamed(Folded(View(who)));
        if (!by) return Fail(L"CleanupBy \"" + View(who) + L"\" is not known: use \"auto\", \"source\" or \"ours\".", E_INVALIDARG);
        cleanup_.by = *by;
        return S_OK;
    });
}

HRESULT ScannerObject::get_PdfA(BSTR* part) {
    return HandOutText(part, [&]() -> std::wstring { return pdfa_ == imaging::PdfArchive::A1b ? L"1b" : pdfa_ == imaging::PdfArchive::A2b ? L"2b" : L""; });
}

HRESULT ScannerObject::put_PdfA(BSTR part) {
    return Guarded(IID_IScanner, [&] {
        const auto archive = imaging::ParsePdfArchive(ToUtf8(View(part)));
        if (!archive)
            return Fail(L"PdfA \"" + View(part) + L"\" is not known: use \"1b\", \"2b\" or \"\" (a plain PDF).", E_INVALIDARG);
        pdfa_ = *archive;
        return S_OK;
    });
}

HRESULT ScannerObject::GetText(const std::string& field, BSTR* text) {
    return HandOutText(text, [&] { return Widen(field); });
}

HRESULT ScannerObject::PutText(std::string& field, BSTR text) {
    return Guarded(IID_IScanner, [&] {
        field = ToUtf8(View(text));
        return S_OK;
    });
}

HRESULT ScannerObject::get_Title(BSTR* text) { return GetText(metadata_.title, text); }
HRESULT ScannerObject::put_Title(BSTR text) { return PutText(metadata_.title, text); }
HRESULT ScannerObject::get_Author(BSTR* text) { return GetText(metadata_.author, text); }
HRESULT ScannerObject::put_Author(BSTR text) { return PutText(metadata_.author, text); }
HRESULT ScannerObject::get_Subject(BSTR* text) { return GetText(metadata_.subject, text); }
HRESULT ScannerObject::put_Subject(BSTR text) { return PutText(metadata_.subject, text); }
HRESULT ScannerObject::get_Keywords(BSTR* text) { return GetText(metadata_.keywords, text); }
HRESULT ScannerObject::put_Keywords(BSTR text) { return PutText(metadata_.keywords, text); }

}  // namespace vantrel
