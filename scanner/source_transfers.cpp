// The source's image transfers: native (a packed DIB), memory (strips drawn as they are asked for) and file (BMP).
#include "scanner/source.h"

#include "scanner/coded_page.h"
#include "scanner/environment.h"
#include "imaging/byte_sink.h"
#include "imaging/tiff/tiff_writer.h"
#include "scanner/packed_dib.h"
#include "scanner/scanner_profile.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vantrel::scanner {

using namespace twain;

namespace {

// A native image is one block in a 32-bit process: larger ones fail as TWCC_LOWMEMORY rather
// than exhausting the application's address space (1200 dpi colour A4 is about 417 MB).
constexpr std::uint32_t kMaxNativeBytes = 256u << 20;
constexpr std::uint32_t kPreferredStripBytes = 64u << 10;
constexpr std::size_t kFileChunkBytes = 1u << 20;

bool CancelEveryTransfer() { return EnvironmentText(L"VANTREL_SCANNER_CANCEL_TRANSFER") == "1"; }

TW_UINT16 PixelTypeOf(ColourMode mode) {
    if (mode == ColourMode::Grey) return TWPT_GRAY;
    if (mode == ColourMode::BlackWhite) return TWPT_BW;
    return TWPT_RGB;
}

std::string Detail(const PagePlan& page, bool feeder) {
    if (!feeder) return page.label;
    return page.label + ", page " + std::to_string(page.slot.number) + (page.slot.side == Side::Front ? " front" : " back");
}

bool WriteAll(HANDLE file, const std::uint8_t* bytes, std::size_t size) {
    DWORD written = 0;
    return ::WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

// The exact bytes it sent, for tests to compare with what an application stored: VANTREL_SCANNER_DUMP names a
// folder, which gets page-N.jpg or page-N.g4 (N the page's number) for a compressed page, profile.icc for its profile.
void Dump(const std::vector<std::uint8_t>& bytes, const std::wstring& name) {
    const std::wstring folder = EnvironmentWide(L"VANTREL_SCANNER_DUMP");
    if (folder.empty()) return;
    const std::wstring path = folder + L"\\" + name;
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) WriteAll(file.get(), bytes.data(), bytes.size());
}

void DumpCoded(const std::vector<std::uint8_t>& coded, int number, TW_UINT16 compression) {
    Dump(coded, L"page-" + std::to_wstring(number) + (compression == TWCP_JPEG ? L".jpg" : L".g4"));
}

}  // namespace

PagePlan Source::CurrentPage() const {
    const DeviceSettings& settings = capabilities_.current;
    const PixelSize size = ImageSize(settings);
    return {paper_.current(), settings.mode, size, settings.xDpi, settings.yDpi,
            ChartLabel({settings.mode, size.width, size.height})};
}

PagePicture Source::PictureOf(const PagePlan& page) const {
    const DeviceSettings& s = capabilities_.current;
    return PagePicture({page.size.width, page.size.height, page.slot.number,
                        PageLines(page.slot.number, page.slot.side, page.label, page.xDpi, paper_.feeder(), s.brightness,
                                  s.contrast),
                        s.brightness, s.contrast,
                        DocumentPage(document_, page.slot, page.size.width, page.size.height, page.xDpi, Doing(s)),
                        s.mode == ColourMode::BlackWhite});
}

// A jam or double feed stops the batch with the source still in state 6 (no image was made);
// a cancel ends the transfer like a delivered one (state 7) and the batch with it.
TW_UINT16 Source::StartTransfer(TW_UINT16 mechanism) {
    if (capabilities_.current.xferMech != mechanism) return Fail(TWCC_SEQERROR);
    const int number = paper_.current().number;
    if (const TW_UINT16 fault = FeedFailure(faults_, number); fault != TWCC_SUCCESS && paper_.feeder()) {
        paper_.Stop(true);
        return Fail(fault);
    }
    if (CancelEveryTransfer() || number == faults_.cancelAt) {
        FinishTransfer(true);
        return TWRC_CANCEL;
    }
    return TWRC_SUCCESS;
}

void Source::FinishTransfer(bool cancelled) {
    delivered_ = true;
    cancelled_ = cancelled;
    state_ = State::Transferring;
}

TW_UINT16 Source::GetImageInfo(TW_IMAGEINFO* info) {
    if (!info) return Fail(TWCC_BADVALUE);
    const PagePlan page = CurrentPage();
    *info = TW_IMAGEINFO{};
    const bool known = !quirks_.resolutionUnknown;
    info->XResolution = TW_FIX32{static_cast<std::int16_t>(known ? page.xDpi : -1), 0};
    info->YResolution = TW_FIX32{static_cast<std::int16_t>(known ? page.yDpi : -1), 0};
    info->ImageWidth = page.size.width;
    info->ImageLength = page.size.height;
    const bool colour = page.mode == ColourMode::Colour;
    const auto bits = static_cast<std::int16_t>(BitsPerPixel(page.mode));
    info->SamplesPerPixel = colour ? 3 : 1;
    for (int sample = 0; sample < info->SamplesPerPixel; ++sample) info->BitsPerSample[sample] = colour ? 8 : bits;
    info->BitsPerPixel = bits;
    info->Planar = 0;
    info->PixelType = static_cast<std::int16_t>(PixelTypeOf(page.mode));
    // Native transfers are never compressed.
    info->Compression = capabilities_.current.xferMech == TWSX_NATIVE ? TWCP_NONE : capabilities_.current.compression;
    return TWRC_SUCCESS;
}

// The image leaves as a packed DIB in a block that the application owns from here on.
TW_UINT16 Source::NativeXfer(TW_HANDLE* handle, std::string& detail) {
    if (!handle) return Fail(TWCC_BADVALUE);
    *handle = 0;
    if (const TW_UINT16 rc = StartTransfer(TWSX_NATIVE); rc != TWRC_SUCCESS) return rc;
    const PagePlan page = CurrentPage();
    std::optional<DibLayout> layout = PlanDib(page.size.width, page.size.height, page.mode, page.xDpi, page.yDpi);
    if (!layout || layout->totalBytes > kMaxNativeBytes) return Fail(TWCC_LOWMEMORY);
    if (quirks_.resolutionUnknown) layout->xPelsPerMetre = layout->yPelsPerMetre = 0;
    if (quirks_.bwWithoutPalette && page.mode == ColourMode::BlackWhite) *layout = WithoutPalette(*layout);
    DsmBlock block(dsm_, layout->totalBytes);
    if (!block) return Fail(TWCC_LOWMEMORY);
    {
        std::unique_ptr<ProgressWindow> progress;
        if (capabilities_.current.indicators) progress = ProgressWindow::Show(dialog_ ? dialog_->window() : parent_);
        DsmLock bytes(dsm_, block.get());
        if (!bytes) return Fail(TWCC_LOWMEMORY);
        const bool written = WritePageDib(PictureOf(page), page.mode, *layout,
                                          {static_cast<std::uint8_t*>(bytes.get()), layout->totalBytes},
                                          [&](int percent) {
                                              if (progress) progress->SetPercent(percent);
                                          });
        if (!written) return Fail(TWCC_BUMMER);
    }
    detail = Detail(page, paper_.feeder());
    *handle = block.release();
    FinishTransfer(false);
    return TWRC_XFERDONE;
}

// Any buffer of at least one row is taken; the preferred one holds whole rows, about 64 KB.
TW_UINT16 Source::SetupMemXfer(TW_SETUPMEMXFER* setup) {
    if (!setup) return Fail(TWCC_BADVALUE);
    const PagePlan page = CurrentPage();
    const std::uint32_t row = TwainRowBytes(page.size.width, page.mode);
    setup->MinBufSize = row;
    setup->MaxBufSize = TWON_DONTCARE32;
    setup->Preferred = std::max(row, kPreferredStripBytes / row * row);
    return TWRC_SUCCESS;
}

// Each call fills the application's buffer with as many whole rows as fit, top row first,
// uncompressed, in the pixel flavour ICAP_PIXELFLAVOR says; the last strip ends TWRC_XFERDONE.
// The quirks bend the counts as real drivers do; the bytes stay the same.
TW_UINT16 Source::MemoryXfer(TW_IMAGEMEMXFER* strip, std::string& detail) {
    if (!strip) return Fail(TWCC_BADVALUE);
    if (state_ == State::Transferring && !memory_) return Fail(TWCC_SEQERROR);  // this page is done
    const PagePlan page = memory_ ? memory_->plan : CurrentPage();
    const std::uint32_t rowBytes = TwainRowBytes(page.size.width, page.mode);
    const TW_MEMORY& memory = strip->Memory;
    if (!memory.TheMem || memory.Length < rowBytes) return Fail(TWCC_BADVALUE);
    // The buffer is checked before the transfer starts, so a bad one leaves the state as it was.
    std::optional<DsmLock> locked;
    std::uint8_t* buffer = FromTwain<std::uint8_t*>(memory.TheMem);
    if (memory.Flags & TWMF_HANDLE) {
        locked.emplace(dsm_, memory.TheMem);
        if (!*locked) return Fail(TWCC_BADVALUE);
        buffer = static_cast<std::uint8_t*>(locked->get());
    }
    if (!memory_) {
        if (const TW_UINT16 rc = StartTransfer(TWSX_MEMORY); rc != TWRC_SUCCESS) return rc;
        memory_.emplace(MemoryTransfer{page, PictureOf(page), 0, {}, 0});
        state_ = State::Transferring;
        if (const TW_UINT16 compression = capabilities_.current.compression; compression != TWCP_NONE) {
            memory_->coded = CodePage(memory_->picture, page.size.width, page.size.height, page.mode, page.xDpi, page.yDpi);
            if (memory_->coded.empty()) return Fail(TWCC_LOWMEMORY);
            if (quirks_.badCompressed) memory_->coded.resize(memory_->coded.size() / 2);
            DumpCoded(memory_->coded, page.slot.number, compression);
        }
    }
    if (!memory_->coded.empty()) return CodedStrip(strip, buffer, detail);
    const RowFormat format =
        capabilities_.current.pixelFlavor == TWPF_VANILLA ? RowFormat::TwainVanilla : RowFormat::TwainChocolate;
    const int rows = static_cast<int>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(page.size.height - memory_->row), memory.Length / rowBytes));
    std::vector<Rgb> pixels(static_cast<std::size_t>(page.size.width));
    for (int i = 0; i < rows; ++i) {
        const int y = memory_->row + i;
        memory_->picture.Row(y, pixels);
        PackRow(pixels.data(), page.size.width, y, page.mode, format, {buffer + static_cast<std::size_t>(i) * rowBytes, rowBytes});
    }
    strip->Compression = TWCP_NONE;
    strip->BytesPerRow = rowBytes;
    strip->Columns = static_cast<TW_UINT32>(page.size.width);
    strip->Rows = quirks_.rowsAsked ? memory.Length / rowBytes : static_cast<TW_UINT32>(rows);
    strip->XOffset = 0;
    strip->YOffset = quirks_.zeroOffsets ? 0 : static_cast<TW_UINT32>(memory_->row);
    strip->BytesWritten = static_cast<TW_UINT32>(rows) * rowBytes;
    memory_->row += rows;
    // With the empty final strip, the strip that reaches the last row is not yet the end: the next one, empty, is.
    if (memory_->row < page.size.height || (quirks_.emptyFinalStrip && rows > 0)) return TWRC_SUCCESS;
    memory_.reset();
    detail = Detail(page, paper_.feeder());
    FinishTransfer(false);
    return TWRC_XFERDONE;
}

// As many of the stream's bytes as the buffer holds; a compressed strip has no rows, only its bytes.
TW_UINT16 Source::CodedStrip(TW_IMAGEMEMXFER* strip, std::uint8_t* buffer, std::string& detail) {
    const std::size_t size = std::min<std::size_t>(strip->Memory.Length, memory_->coded.size() - memory_->sent);
    std::memcpy(buffer, memory_->coded.data() + memory_->sent, size);
    memory_->sent += size;
    strip->Compression = capabilities_.current.compression;
    strip->BytesPerRow = 0;
    strip->Columns = static_cast<TW_UINT32>(memory_->plan.size.width);
    strip->Rows = 0;
    strip->XOffset = strip->YOffset = 0;
    strip->BytesWritten = static_cast<TW_UINT32>(size);
    if (memory_->sent < memory_->coded.size()) return TWRC_SUCCESS;
    detail = Detail(memory_->plan, paper_.feeder());
    memory_.reset();
    FinishTransfer(false);
    return TWRC_XFERDONE;
}

TW_UINT16 Source::SetupFileXfer(TW_UINT16 msg, TW_SETUPFILEXFER* setup) {
    if (!setup) return Fail(TWCC_BADVALUE);
    TW_SETUPFILEXFER standard{};
    std::strcpy(standard.FileName, "TWAIN.BMP");
    standard.Format = TWFF_BMP;
    switch (msg) {
        case MSG_SET: {
            const auto* end = static_cast<const char*>(std::memchr(setup->FileName, 0, sizeof setup->FileName));
            const bool offered = setup->Format == TWFF_BMP || setup->Format == TWFF_TIFF || setup->Format == TWFF_JFIF;
            if (!offered || !end || end == setup->FileName) return Fail(TWCC_BADVALUE);
            file_ = *setup;
            return TWRC_SUCCESS;
        }
        case MSG_RESET: file_ = standard; break;
        case MSG_GETDEFAULT: *setup = standard; return TWRC_SUCCESS;
        default: break;
    }
    *setup = file_;
    return TWRC_SUCCESS;
}

// A JFIF file is the page's JPEG; a TIFF one page, Group 4 with that compression (else uncompressed). Both are
// made whole in memory, the coded bytes dumped as a memory transfer's are.
TW_UINT16 Source::CodedFileXfer(const PagePlan& page, std::string& detail) {
    const TW_UINT16 compression = file_.Format == TWFF_JFIF ? TWCP_JPEG : capabilities_.current.compression;
    if (compression != TWCP_NONE && compression != CodedCompression(page.mode)) return Fail(TWCC_BADVALUE);  // no 1-bit JPEG
    const PagePicture picture = PictureOf(page);
    std::vector<std::uint8_t> coded;
    imaging::MemorySink tiff;
    if (compression != TWCP_NONE) {
        coded = CodePage(picture, page.size.width, page.size.height, page.mode, page.xDpi, page.yDpi);
        if (coded.empty()) return Fail(TWCC_LOWMEMORY);
        if (quirks_.badCompressed) coded.resize(coded.size() / 2);
        DumpCoded(coded, page.slot.number, compression);
    }
    if (file_.Format == TWFF_TIFF) {
        imaging::TiffWriter writer(tiff);
        const auto raw = compression == TWCP_NONE ? DrawPage(picture, page.size.width, page.size.height, page.mode, page.xDpi, page.yDpi)
                                                  : std::nullopt;
        const bool made = raw ? writer.AddPage(raw->View(), {.compression = imaging::TiffCompression::None})
                              : writer.AddGroup4Page(coded, static_cast<std::uint32_t>(page.size.width),
                                                     static_cast<std::uint32_t>(page.size.height), page.xDpi, page.yDpi);
        if (!made || !writer.Finish()) return Fail(TWCC_LOWMEMORY);
        coded = tiff.Data();
    }
    {
        UniqueFile file(::CreateFileA(file_.FileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return Fail(TWCC_FILEWRITEERROR);
        if (!WriteAll(file.get(), coded.data(), coded.size()) || !file.close()) {
            ::DeleteFileA(file_.FileName);
            return Fail(TWCC_FILEWRITEERROR);
        }
    }
    detail = Detail(page, paper_.feeder());
    FinishTransfer(false);
    return TWRC_XFERDONE;
}

// The BMP is written row by row (bottom row first, as a BMP stores them); a file that cannot be
// written completely is removed, never left half-written.
TW_UINT16 Source::FileXfer(std::string& detail) {
    if (const TW_UINT16 rc = StartTransfer(TWSX_FILE); rc != TWRC_SUCCESS) return rc;
    const PagePlan page = CurrentPage();
    if (file_.Format != TWFF_BMP) return CodedFileXfer(page, detail);
    const std::optional<DibLayout> layout = PlanDib(page.size.width, page.size.height, page.mode, page.xDpi, page.yDpi);
    if (!layout) return Fail(TWCC_LOWMEMORY);
    bool written = false;
    {
        UniqueFile file(::CreateFileA(file_.FileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return Fail(TWCC_FILEWRITEERROR);
        const auto fileHeader = BmpFileHeader(*layout);
        std::vector<std::uint8_t> chunk(layout->bitsOffset);
        WriteDibHeader(*layout, chunk);
        written = WriteAll(file.get(), fileHeader.data(), fileHeader.size()) && WriteAll(file.get(), chunk.data(), chunk.size());
        const PagePicture picture = PictureOf(page);
        std::vector<Rgb> pixels(static_cast<std::size_t>(page.size.width));
        const std::size_t rowsPerChunk = std::max<std::size_t>(1, kFileChunkBytes / layout->stride);
        chunk.assign(rowsPerChunk * layout->stride, 0);
        for (int y = page.size.height - 1; written && y >= 0;) {
            std::size_t rows = 0;
            for (; rows < rowsPerChunk && y >= 0; ++rows, --y) {
                picture.Row(y, pixels);
                PackRow(pixels.data(), page.size.width, y, page.mode, RowFormat::Dib,
                        {chunk.data() + rows * layout->stride, layout->stride});
            }
            written = WriteAll(file.get(), chunk.data(), rows * layout->stride);
        }
    }
    if (!written) {
        ::DeleteFileA(file_.FileName);
        return Fail(TWCC_FILEWRITEERROR);
    }
    detail = Detail(page, paper_.feeder());
    FinishTransfer(false);
    return TWRC_XFERDONE;
}

// Its own profile for a colour page, in a block of the DSM's memory (GlobalAlloc's under a 1.x DSM) that the
// application frees; no profile for grey and black-and-white pages, nor unless asked to offer one.
TW_UINT16 Source::GetIccProfile(TW_MEMORY* memory) {
    if (!memory) return Fail(TWCC_BADVALUE);
    if (!capabilities_.iccProfile || CurrentPage().mode != ColourMode::Colour) return Fail(TWCC_BADPROTOCOL);
    const std::vector<std::uint8_t>& profile = ScannerProfile();
    DsmBlock block(dsm_, profile.size());
    if (!block) return Fail(TWCC_LOWMEMORY);
    {
        DsmLock bytes(dsm_, block.get());
        if (!bytes) return Fail(TWCC_LOWMEMORY);
        std::memcpy(bytes.get(), profile.data(), profile.size());
    }
    Dump(profile, L"profile.icc");
    memory->Flags = TWMF_APPOWNS | TWMF_HANDLE;
    memory->Length = static_cast<TW_UINT32>(profile.size());
    memory->TheMem = block.release();
    return TWRC_SUCCESS;
}

}  // namespace vantrel::scanner
