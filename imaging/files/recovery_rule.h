// When a temporary file of ours may be recovered, and what the user is told then (pure).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::imaging {

// What the system says of the process whose id a temporary file's name carries.
enum class WriterProcess : std::uint8_t {
    Gone,     // no process has that id
    Exited,   // it has ended (someone still holds a handle to it)
    Running,  // running, started at the time given
    Unknown,  // it exists but may not be examined
};

// A file is left alone while its writer may still run: a running process that started before the file was created
// (a later start means the id was reused), or one that cannot be examined. Only then can a scan in progress, in this
// or another process, never lose its file. Times are FILETIME ticks.
inline bool MayStillBeWriting(WriterProcess process, std::uint64_t processStarted, std::uint64_t fileCreated) {
    return process == WriterProcess::Unknown || (process == WriterProcess::Running && processStarted <= fileCreated);
}

// "Recovered 295 pages of an interrupted scan into C:\scans\doc.recovered.pdf."
inline std::wstring RecoveredText(std::uint32_t pages, std::wstring_view path) {
    return L"Recovered " + std::to_wstring(pages) + (pages == 1 ? L" page" : L" pages") + L" of an interrupted scan into " +
           std::wstring(path) + L".";
}

}  // namespace vantrel::imaging
