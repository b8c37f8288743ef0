// Recovering interrupted scans: the folder's temporary files, their writers asked after, their pages written out.
#include "imaging/files/interrupted_scans.h"

#include <windows.h>

#include <optional>
#include <span>

#include "imaging/files/file_sink.h"
#include "imaging/files/output_naming.h"
#include "imaging/files/recovery_rule.h"
#include "imaging/pdf/pdf_recovery.h"
#include "imaging/tiff/tiff_recovery.h"

namespace vantrel::imaging {
namespace {

std::uint64_t Ticks(const FILETIME& time) { return std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime; }

// The process by its id, as far as Win32 lets us see it, and when it started.
WriterProcess AskAfter(unsigned long processId, std::uint64_t& started) {
    UniqueKernelObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return ::GetLastError() == ERROR_INVALID_PARAMETER ? WriterProcess::Gone : WriterProcess::Unknown;
    DWORD code = 0;
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetExitCodeProcess(process.get(), &code) || !::GetProcessTimes(process.get(), &created, &exited, &kernel, &user))
        return WriterProcess::Unknown;
    started = Ticks(created);
    // A process that returned STILL_ACTIVE as its status is taken as running: never a wrong removal.
    return code == STILL_ACTIVE ? WriterProcess::Running : WriterProcess::Exited;
}

// Writes the pages the file completed to the first free recovered name: how many, 0 when there were none, nullopt
// when they could not be written.
std::optional<std::uint32_t> WriteOut(std::span<const std::uint8_t> bytes, const std::wstring& target, std::wstring& path) {
    const bool pdf = target.size() >= 4 && ::lstrcmpiW(target.c_str() + target.size() - 4, L".pdf") == 0;
    std::optional<CompletePdf> document;
    std::optional<CompleteTiff> tiff;
    if (pdf) {
        document = FindCompletePdf(bytes);
    } else {
        tiff = FindCompleteTiff(bytes);
    }
    if (!document && !tiff) return 0;
    for (std::uint32_t attempt = 1; attempt < 1000; ++attempt) {
        path = RecoveredPath(target, attempt);
        if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) break;
    }
    std::wstring error;
    const std::unique_ptr<FileSink> sink = FileSink::Create(path, error);
    if (!sink) return std::nullopt;
    const bool written = document ? sink->Append(bytes.first(static_cast<std::size_t>(document->length)))
                                  : WriteRecoveredTiff(bytes, *tiff, *sink);
    if (!written || !sink->Commit()) return std::nullopt;
    return document ? document->pages : tiff->pages;
}

// Recovers one temporary file whose writer no longer runs and removes it; it stays when anything fails.
void Recover(const std::wstring& temporary, const std::wstring& target, std::optional<RecoveredScan>& recovered) {
    UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return;  // a writer holds it open (it shares nothing), or it is not ours to read
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return;
    const std::optional<FileFormat> format = [&target] {
        std::wstring ignored;
        return FormatFromName(target, ignored);
    }();
    if (size.QuadPart > 0 && format && HoldsManyPages(*format)) {
        UniqueKernelObject mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping) return;
        const UniqueMappedView<const std::uint8_t> view(
            static_cast<const std::uint8_t*>(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0)));
        if (!view) return;  // larger than the address space has room for: left for a 64-bit scan
        std::wstring path;
        const std::optional<std::uint32_t> pages =
            WriteOut(std::span(view.get(), static_cast<std::size_t>(size.QuadPart)), target, path);
        if (!pages) return;
        if (*pages > 0) recovered = RecoveredScan{path, *pages, RecoveredText(*pages, path)};
    }
    file.reset();
    ::DeleteFileW(temporary.c_str());
}

}  // namespace

std::vector<RecoveredScan> RecoverInterruptedScans(std::wstring_view folder) {
    std::vector<RecoveredScan> recovered;
    const std::wstring prefix(folder);
    WIN32_FIND_DATAW found{};
    const UniqueFind search(::FindFirstFileW((prefix + L".*.~vantrel-*.tmp").c_str(), &found));
    if (!search) return recovered;
    do {
        const std::optional<TemporaryName> name = ParseTemporaryName(found.cFileName);
        if (!name || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        std::uint64_t started = 0;
        const WriterProcess writer = AskAfter(name->processId, started);
        if (MayStillBeWriting(writer, started, Ticks(found.ftCreationTime))) continue;
        std::optional<RecoveredScan> scan;
        Recover(prefix + found.cFileName, prefix + name->target, scan);
        if (scan) recovered.push_back(std::move(*scan));
    } while (::FindNextFileW(search.get(), &found));
    return recovered;
}

}  // namespace vantrel::imaging
