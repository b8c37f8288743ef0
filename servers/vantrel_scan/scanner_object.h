// The Scanner class as automation clients see it: IScanner over the engine's session and the image files.
#pragma once

#include "VantrelScan_h.h"
#include "com/type_info_dispatch.h"
#include "engine/job_settings.h"
#include "engine/session.h"
#include "imaging/cleanup/clean_page.h"
#include "imaging/pdf/pdf_document.h"
#include "com/module_state.h"
#include "servers/vantrel_scan/scanner_events.h"

#include <ocidl.h>

#include <atomic>
#include <optional>
#include <string>

namespace vantrel {

class ScannerObject final : public com::TypeInfoDispatch<IScanner, &IID_IScanner>,
                            public ISupportErrorInfo,
                            public IConnectionPointContainer,
                            public IProvideClassInfo2 {
public:
    static HRESULT CreateInstance(REFIID iid, void** object);

    // IUnknown: one count for every interface of the object.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // Script hosts find the event interface through the class's type information.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** typeInfo) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

    // IScanner
    HRESULT STDMETHODCALLTYPE get_Sources(IScannerSources** sources) override;
    HRESULT STDMETHODCALLTYPE get_Source(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE put_Source(BSTR name) override;
    HRESULT STDMETHODCALLTYPE SelectSource(VARIANT_BOOL* chosen) override;
    HRESULT STDMETHODCALLTYPE get_OwnerHwnd(LONG* hwnd) override;
    HRESULT STDMETHODCALLTYPE put_OwnerHwnd(LONG hwnd) override;
    HRESULT STDMETHODCALLTYPE get_ShowUI(VARIANT_BOOL* shown) override;
    HRESULT STDMETHODCALLTYPE put_ShowUI(VARIANT_BOOL shown) override;
    HRESULT STDMETHODCALLTYPE get_Resolution(LONG* dpi) override;
    HRESULT STDMETHODCALLTYPE put_Resolution(LONG dpi) override;
    HRESULT STDMETHODCALLTYPE get_ColorMode(BSTR* mode) override;
    HRESULT STDMETHODCALLTYPE put_ColorMode(BSTR mode) override;
    HRESULT STDMETHODCALLTYPE get_PaperSize(BSTR* size) override;
    HRESULT STDMETHODCALLTYPE put_PaperSize(BSTR size) override;
    HRESULT STDMETHODCALLTYPE get_Feeder(VARIANT_BOOL* used) override;
    HRESULT STDMETHODCALLTYPE put_Feeder(VARIANT_BOOL used) override;
    HRESULT STDMETHODCALLTYPE get_Duplex(VARIANT_BOOL* both) override;
    HRESULT STDMETHODCALLTYPE put_Duplex(VARIANT_BOOL both) override;
    HRESULT STDMETHODCALLTYPE get_MaxPages(LONG* pages) override;
    HRESULT STDMETHODCALLTYPE put_MaxPages(LONG pages) override;
    HRESULT STDMETHODCALLTYPE get_TransferMode(BSTR* mode) override;
    HRESULT STDMETHODCALLTYPE put_TransferMode(BSTR mode) override;
    HRESULT STDMETHODCALLTYPE get_JpegQuality(LONG* quality) override;
    HRESULT STDMETHODCALLTYPE put_JpegQuality(LONG quality) override;
    HRESULT STDMETHODCALLTYPE get_Capability(VARIANT name, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_Capability(VARIANT name, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE CapabilityValues(VARIANT name, VARIANT* values) override;
    HRESULT STDMETHODCALLTYPE CapabilityKind(VARIANT name, BSTR* kind) override;
    HRESULT STDMETHODCALLTYPE Scan(BSTR path, LONG* pages) override;
    HRESULT STDMETHODCALLTYPE get_PagesScanned(LONG* pages) override;
    HRESULT STDMETHODCALLTYPE get_Timeout(LONG* seconds) override;
    HRESULT STDMETHODCALLTYPE put_Timeout(LONG seconds) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE get_Compression(BSTR* who) override;
    HRESULT STDMETHODCALLTYPE put_Compression(BSTR who) override;
    HRESULT STDMETHODCALLTYPE get_Recovered(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE get_BlankPages(BSTR* mode) override;
    HRESULT STDMETHODCALLTYPE put_BlankPages(BSTR mode) override;
    HRESULT STDMETHODCALLTYPE get_BlankThreshold(double* percent) override;
    HRESULT STDMETHODCALLTYPE put_BlankThreshold(double percent) override;
    HRESULT STDMETHODCALLTYPE get_Deskew(VARIANT_BOOL* on) override;
    HRESULT STDMETHODCALLTYPE put_Deskew(VARIANT_BOOL on) override;
    HRESULT STDMETHODCALLTYPE get_CropBorders(VARIANT_BOOL* on) override;
    HRESULT STDMETHODCALLTYPE put_CropBorders(VARIANT_BOOL on) override;
    HRESULT STDMETHODCALLTYPE get_Despeckle(LONG* pixels) override;
    HRESULT STDMETHODCALLTYPE put_Despeckle(LONG pixels) override;
    HRESULT STDMETHODCALLTYPE get_Binarize(BSTR* method) override;
    HRESULT STDMETHODCALLTYPE put_Binarize(BSTR method) override;
    HRESULT STDMETHODCALLTYPE get_PageReport(BSTR* report) override;
    HRESULT STDMETHODCALLTYPE get_CleanupBy(BSTR* who) override;
    HRESULT STDMETHODCALLTYPE put_CleanupBy(BSTR who) override;
    HRESULT STDMETHODCALLTYPE get_PdfA(BSTR* part) override;
    HRESULT STDMETHODCALLTYPE put_PdfA(BSTR part) override;
    HRESULT STDMETHODCALLTYPE get_Title(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE put_Title(BSTR text) override;
    HRESULT STDMETHODCALLTYPE get_Author(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE put_Author(BSTR text) override;
    HRESULT STDMETHODCALLTYPE get_Subject(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE put_Subject(BSTR text) override;
    HRESULT STDMETHODCALLTYPE get_Keywords(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE put_Keywords(BSTR text) override;

private:
    ScannerObject();
    ~ScannerObject();

    // Opens the DSM for the owner window and the chosen source; empty, or why not.
    std::wstring OpenSource(engine::Session& session) const;
    // MSG_GET or MSG_GETCURRENT of one capability on the source as it is, without this object's settings.
    HRESULT QuerySource(const VARIANT& name, twain::TW_UINT16 msg, capability::Container& container);
    // One of the document's texts, kept as UTF-8 for the files.
    HRESULT GetText(const std::string& field, BSTR* text);
    HRESULT PutText(std::string& field, BSTR text);

    std::atomic<ULONG> references_{1};
    std::wstring source_;
    LONG owner_ = 0;
    bool showUI_ = false;
    long maxPages_ = -1;
    engine::TransferMode mode_ = engine::TransferMode::Native;
    engine::Compression compression_ = engine::Compression::Source;
    long jpegQuality_ = 85;
    imaging::cleanup::CleanupOptions cleanup_;
    imaging::PdfArchive pdfa_ = imaging::PdfArchive::None;
    imaging::DocumentMetadata metadata_;
    std::wstring pageReport_;
    std::optional<long> timeout_;  // seconds; unset: the engine's default for the dialog shown or not
    engine::ScanSettings settings_;
    LONG pagesScanned_ = 0;
    std::wstring recovered_;  // the last Scan's recovery messages, one line each
    // Set while a Scan runs: the last Release stops it through the session.
    engine::Session* scanning_ = nullptr;
    ScannerEvents events_{*this};
};

}  // namespace vantrel
