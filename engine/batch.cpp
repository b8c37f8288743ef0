// The batch: one message loop and one transfer routine for every surface, with clean-up on every exit.
#include "engine/batch.h"

#include "engine/capability_client.h"
#include "engine/coded_strips.h"
#include "engine/condition_text.h"
#include "engine/file_page.h"
#include "engine/memory_page.h"
#include "engine/message_pump.h"
#include "engine/notice_callback.h"
#include "engine/settings.h"
#include "engine/source_profile.h"
#include "engine/source_status.h"
#include "win32/utf8_text.h"
#include "win32/win32_owners.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vantrel::engine {

using namespace twain;

namespace {

enum class PageOutcome { Delivered, Cancelled, Failed };

// The largest file a file transfer's page is read from (a 1200 dpi colour A4 BMP is about 420 MB).
constexpr std::uint64_t kLargestFileBytes = 512u << 20;

struct Transfer {
    const SourceRef& source;
    const BatchOptions& options;
    PageSink& sink;
    BatchResult& result;
    bool chocolate = true;

    std::wstring PageLabel() const { return L"page " + std::to_wstring(result.pages + 1); }

    // The source's profile for the page just transferred, asked before MSG_ENDXFER; never by a classic client.
    std::vector<std::uint8_t> Profile() const { return options.classic ? std::vector<std::uint8_t>() : ReadPageProfile(source); }

    PageOutcome Fail(std::wstring reason) {
        result.reason = std::move(reason);
        return PageOutcome::Failed;
    }

    PageOutcome Invalid(const std::string& why) {
        return Fail(L"The source's " + PageLabel() + L" is not valid: " + Widen(why) + L".");
    }

    PageOutcome FailWithStatus(const std::wstring& what) {
        if (options.classic) return Fail(what + L".");
        const SourceStatus status = ReadStatus(source);
        result.condition = status.condition;
        return Fail(what + L": " + DescribeStatus(status) + L".");
    }

    PageOutcome Native(bool& ended) {
        TW_HANDLE handle = 0;
        switch (source.Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle)) {
        case TWRC_XFERDONE: {
            ended = true;
            DsmBlock image(source.link, handle);
            if (!image) return Fail(L"The source handed over no image for " + PageLabel() + L".");
            if (!sink.TakeNativeWithProfile(image, Profile())) return Fail(sink.Failure());
            return PageOutcome::Delivered;
        }
        case TWRC_CANCEL:
            ended = true;
            return PageOutcome::Cancelled;
        default:
            return FailWithStatus(L"The source stopped at " + PageLabel());
        }
    }

    MemoryPageLayout Layout(const TW_IMAGEINFO& info) const {
        MemoryPageLayout layout;
        layout.width = info.ImageWidth;
        layout.length = info.ImageLength;
        layout.pixelType = static_cast<std::uint16_t>(info.PixelType);
        layout.bitsPerPixel = info.BitsPerPixel;
        layout.chocolate = chocolate;
        // A source that does not know the resolution says -1: the page then has none.
        const auto dpi = [](const TW_FIX32& value) { return std::max(0.0, value.Whole + value.Frac / 65536.0); };
        layout.xDpi = dpi(info.XResolution);
        layout.yDpi = dpi(info.YResolution);
        return layout;
    }

    PageOutcome Memory(const TW_IMAGEINFO& info, bool& ended) {
        TW_SETUPMEMXFER setup{};
        if (source.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS)
            return FailWithStatus(L"The source could not set up the memory transfer of " + PageLabel());
        const auto bufferSize = StripBufferSize(setup.MinBufSize, setup.MaxBufSize, setup.Preferred);
        if (!bufferSize)
            return Fail(L"The source wants strips of " + std::to_wstring(setup.MinBufSize) + L" bytes, more than we give.");
        const std::uint32_t size = *bufferSize;
        std::vector<std::uint8_t> buffer;
        try {
            buffer.resize(size);
        } catch (const std::bad_alloc&) {
            return Fail(L"There is not enough memory for the transfer buffer.");
        }

        MemoryPage page;
        const MemoryPageLayout layout = Layout(info);
        // A compressed page's strips are pieces of one stream: their row counts mean nothing.
        std::optional<CodedStrips> coded;
        if (options.compression != TWCP_NONE) coded.emplace(options.compression);
        const bool began = coded.has_value() || page.Begin(layout);

        std::uint32_t strips = 0;
        for (;;) {
            TW_IMAGEMEMXFER strip{};
            strip.Compression = TWON_DONTCARE16;
            strip.BytesPerRow = strip.Columns = strip.Rows = TWON_DONTCARE32;
            strip.XOffset = strip.YOffset = strip.BytesWritten = TWON_DONTCARE32;
            strip.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
            strip.Memory.Length = size;
            strip.Memory.TheMem = static_cast<TW_MEMREF>(reinterpret_cast<std::uintptr_t>(buffer.data()));
            const TW_UINT16 rc = source.Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
            if (rc == TWRC_CANCEL) {
                ended = true;
                return PageOutcome::Cancelled;
            }
            if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) {
                // A source that failed after its first strip stays in the transfer state until told it is over.
                ended = strips > 0;
                return FailWithStatus(L"The source stopped at " + PageLabel());
            }
            ++strips;
            ended = rc == TWRC_XFERDONE;
            if (!began) {
                ended = true;  // ENDXFER, then the reset, leave the source where it can be disabled
                return Fail(L"The source's " + PageLabel() + L" cannot be taken: " + Widen(page.Error()) + L".");
            }
            const MemoryStrip received{strip.Compression, strip.BytesPerRow, strip.Columns, strip.Rows, strip.XOffset,
                                       strip.YOffset, strip.BytesWritten, buffer};
            if (coded ? !coded->Add(received) : !page.Add(received)) {
                ended = true;
                return Invalid(coded ? coded->Error() : page.Error());
            }
            if (rc == TWRC_XFERDONE) break;
        }
        const std::vector<std::uint8_t> profile = Profile();
        if (coded) {
            auto kept = coded->Finish(layout);
            if (!kept) return Invalid(coded->Error());
            kept->iccProfile = profile;
            if (!sink.TakeCoded(*kept)) return Fail(sink.Failure());
            return PageOutcome::Delivered;
        }
        auto finished = page.Finish();
        if (!finished) return Invalid(page.Error());
        imaging::PageImage view = finished->View();
        view.iccProfile = profile;
        if (!sink.TakePage(view)) return Fail(sink.Failure());
        return PageOutcome::Delivered;
    }

    // The source writes the page to a file of ours, which goes when the page has been taken.
    PageOutcome File(const TW_IMAGEINFO& info, bool& ended) {
        static LONG files = 0;
        char folder[MAX_PATH] = {};
        const DWORD length = ::GetTempPathA(MAX_PATH, folder);
        const std::string name = std::string(folder, length) + "vantrel-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(::InterlockedIncrement(&files)) + ".tmp";
        TW_SETUPFILEXFER setup{};
        if (length == 0 || length >= MAX_PATH || name.size() >= sizeof setup.FileName)
            return Fail(L"The temporary folder's path is too long for a file transfer.");
        std::memcpy(setup.FileName, name.c_str(), name.size() + 1);
        setup.Format = FileFormatFor(options.compression);
        if (source.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup) != TWRC_SUCCESS)
            return FailWithStatus(L"The source could not set up the file transfer of " + PageLabel());
        const UniqueFileName written(name.c_str());
        switch (source.Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr)) {
            case TWRC_XFERDONE: break;
            case TWRC_CANCEL: ended = true; return PageOutcome::Cancelled;
            default: return FailWithStatus(L"The source stopped at " + PageLabel());
        }
        const std::vector<std::uint8_t> profile = Profile();
        ended = true;
        const std::optional<std::vector<std::uint8_t>> bytes = ReadWhole(name);
        if (!bytes) return Fail(L"The file the source wrote for " + PageLabel() + L" could not be read.");
        std::string why;
        auto page = ReadFilePage(*bytes, Layout(info), options.compression, why);
        if (!page) return Invalid(why);
        imaging::PageImage raw = page->raw ? page->raw->View() : imaging::PageImage{};
        if (page->coded) page->coded->iccProfile = profile;
        raw.iccProfile = profile;
        if (page->coded ? !sink.TakeCoded(*page->coded) : !sink.TakePage(raw)) return Fail(sink.Failure());
        return PageOutcome::Delivered;
    }

    static std::optional<std::vector<std::uint8_t>> ReadWhole(const std::string& name) {
        const UniqueFile file(::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER size{};
        if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(kLargestFileBytes)) return std::nullopt;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()))
            return std::nullopt;
        return bytes;
    }

    PageOutcome Page(bool& ended) {
        TW_IMAGEINFO info{};
        if (source.Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS)
            return FailWithStatus(L"The source could not describe " + PageLabel());
        if (options.mode == TransferMode::File) return File(info, ended);
        return options.mode == TransferMode::Memory ? Memory(info, ended) : Native(ended);
    }

    // Every page until the source has no more, the limit is reached, or something ends the batch.
    // A source may not know how many pages are pending (Count -1): its feeder has none left when
    // the next page finds no paper.
    void All() {
        bool countUnknown = false;
        for (;;) {
            bool ended = false;  // the source was told the transfer is over (MSG_ENDXFER) or must be
            const PageOutcome outcome = Page(ended);
            if (outcome == PageOutcome::Delivered) ++result.pages;
            const bool outOfPaper =
                outcome == PageOutcome::Failed && !ended && countUnknown && result.condition == TWCC_NOMEDIA;
            TW_PENDINGXFERS pending{};
            if (ended) source.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
            countUnknown = ended && pending.Count == static_cast<TW_UINT16>(-1);
            const bool more = ended && pending.Count != 0;
            const bool limit = options.maxPages > 0 && result.pages >= static_cast<std::uint32_t>(options.maxPages);
            const bool stopping = options.stop && *options.stop;
            // A source still in the transfer state (a page left pending, or a transfer that never
            // ended) refuses to be disabled and closed: reset it.
            if (!ended || (more && (outcome != PageOutcome::Delivered || limit || stopping)))
                source.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
            if (outcome == PageOutcome::Cancelled) {
                result.end = BatchEnd::Cancelled;
                result.reason = L"The scan was cancelled at " + PageLabel() + L".";
                return;
            }
            if (outOfPaper) {
                result.end = BatchEnd::Done;
                result.reason.clear();
                result.condition = TWCC_SUCCESS;
                return;
            }
            if (outcome == PageOutcome::Failed) {
                result.end = BatchEnd::Failed;
                return;
            }
            if (!more) {
                result.end = BatchEnd::Done;
                return;
            }
            if (stopping) {
                result.end = BatchEnd::Stopped;
                result.reason = L"The scan was stopped.";
                return;
            }
            if (limit) {
                result.end = BatchEnd::LimitReached;
                return;
            }
        }
    }
};

bool Stopping(const BatchOptions& options) { return options.stop && *options.stop; }

// "60 s", or "1500 ms" for a wait that is not whole seconds.
std::wstring WaitText(std::chrono::milliseconds wait) {
    const auto ms = wait.count();
    return ms % 1000 == 0 ? std::to_wstring(ms / 1000) + L" s" : std::to_wstring(ms) + L" ms";
}

void Loop(const SourceRef& source, const BatchOptions& options, PageSink& sink, NoticeSubscription* callback,
          bool chocolate, BatchResult& result) {
    MSG message{};
    TW_EVENT event{};
    auto handle = [&](TW_UINT16 notice) {
        if (notice == MSG_XFERREADY) {
            Transfer transfer{source, options, sink, result, chocolate};
            transfer.All();
            return true;
        }
        if (notice == MSG_CLOSEDSREQ || notice == MSG_CLOSEDSOK) {
            result.end = BatchEnd::ClosedBySource;
            result.reason = L"The source was closed before it delivered a page.";
            return true;
        }
        return false;
    };
    // Measured from enabling: a stream of unrelated messages does not extend it.
    std::optional<ULONGLONG> deadline;
    if (options.pageTimeout) deadline = ::GetTickCount64() + static_cast<ULONGLONG>(options.pageTimeout->count());
    for (;;) {
        if (callback) {
            if (handle(callback->Take())) return;
        }
        bool wide = false;
        const Taken got = deadline && ::GetTickCount64() >= *deadline ? Taken::TimedOut : TakeMessage(message, wide, deadline);
        if (got == Taken::TimedOut) {
            result.end = BatchEnd::TimedOut;
            result.reason = L"The source sent no page within " + WaitText(*options.pageTimeout) +
                            L". It may be offline, out of paper or waiting for its own dialog: check the scanner, "
                            L"then scan again with more time or with the source's dialog shown.";
            return;
        }
        if (got == Taken::Failed) {
            result.end = BatchEnd::Failed;
            result.reason = L"The thread's message queue failed.";
            return;
        }
        if (got == Taken::Quit) {
            result.quitCode = message.wParam;
            result.end = BatchEnd::Quit;
            result.reason = L"The program was asked to quit.";
            return;
        }
        if (Stopping(options)) {
            result.end = BatchEnd::Stopped;
            result.reason = L"The scan was stopped.";
            return;
        }

        event.pEvent = static_cast<TW_MEMREF>(reinterpret_cast<std::uintptr_t>(&message));
        event.TWMessage = MSG_NULL;
        const TW_UINT16 rc = source.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        if (rc == TWRC_NOTDSEVENT) {
            DispatchTaken(message, wide);
            if (Stopping(options)) {
                result.end = BatchEnd::Stopped;
                result.reason = L"The scan was stopped.";
                return;
            }
            continue;
        }
        if (rc != TWRC_DSEVENT) continue;
        if (handle(event.TWMessage)) return;
    }
}

}  // namespace

BatchResult RunBatch(const SourceRef& source, const BatchOptions& options, PageSink& sink) {
    BatchResult result;
    bool chocolate = true;
    std::optional<NoticeSubscription> subscription;
    if (!options.classic) {
        const TW_UINT16 mechanism = options.mode == TransferMode::Memory ? TWSX_MEMORY
                                    : options.mode == TransferMode::File ? TWSX_FILE
                                                                         : TWSX_NATIVE;
        std::optional<Failure> refused =
            SetAndVerify(source, ICAP_XFERMECH, capability::OneValue{capability::ItemType::UInt16, std::int64_t{mechanism}});
        // The format each page's file is asked for in; the source must offer it.
        if (!refused && options.mode == TransferMode::File)
            refused = SetAndVerify(source, ICAP_IMAGEFILEFORMAT,
                                   capability::OneValue{capability::ItemType::UInt16, std::int64_t{FileFormatFor(options.compression)}});
        if (refused && (options.mode != TransferMode::Native)) {
            result.condition = refused->condition.value_or(TWCC_SUCCESS);
            result.reason = std::move(refused->message);
            return result;
        }
        if (options.mode != TransferMode::Native) {
            // Read while the source is open: capabilities are not for the transfer states.
            const CapabilityReply flavor = QueryCapability(source, ICAP_PIXELFLAVOR, MSG_GETCURRENT);
            if (flavor.ok() && flavor.container) {
                const auto item = CurrentItem(*flavor.container);
                if (const auto* value = item ? std::get_if<std::int64_t>(&*item) : nullptr) chocolate = *value == TWPF_CHOCOLATE;
            }
        }
        AskForProfiles(source);
        // Subscribed before registering: a source may signal during MSG_ENABLEDS.
        subscription.emplace(source.source.Id);
        if (!RegisterNoticeCallback(source)) subscription.reset();
    }

    TW_USERINTERFACE ui = options.enable;
    if (source.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) {
        if (!options.classic) {
            const SourceStatus status = ReadStatus(source);
            result.condition = status.condition;
            result.reason = L"The source could not start scanning: " + DescribeStatus(status) + L".";
        }
        return result;
    }
    Loop(source, options, sink, subscription ? &*subscription : nullptr, chocolate, result);
    TW_USERINTERFACE off = options.disable;
    source.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &off);
    return result;
}

}  // namespace vantrel::engine
