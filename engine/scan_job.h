// One scan for every surface: the settings in their one order, the batch into the surface's page
// consumer, the files finished, and the outcome as a value.
#pragma once

#include "engine/batch.h"
#include "engine/compression_choice.h"
#include "engine/job_settings.h"
#include "engine/session.h"
#include "imaging/cleanup/cleaning_consumer.h"
#include "imaging/files/interrupted_scans.h"
#include "imaging/page_consumer.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::engine {

// `page` counts from 1; `path` is the file the page went into, or for a multi-page file the
// target it will be completed as. For a page kept as the scanner coded it, `image` has no pixels.
using PageStored = std::function<void(long page, const std::wstring& path, const imaging::PageImage& image)>;

inline constexpr std::chrono::seconds kDefaultPageTimeout{60};

struct ScanJob {
    ScanSettings settings;
    FeederOff feederOff = FeederOff::Always;
    // Refuse before the batch when the feeder is asked for and CAP_FEEDERLOADED says it is empty,
    // so the client hears why instead of getting no page.
    bool refuseEmptyFeeder = false;
    bool showUI = false;
    // The wait for a page: nullopt gives kDefaultPageTimeout without the source's dialog and no
    // limit with it (the user may take their time); zero or less waits as long as it takes.
    std::optional<std::chrono::milliseconds> pageTimeout;
    TransferMode mode = TransferMode::Native;
    // Only memory and file transfers carry the scanner's compression; native pages are always raw.
    Compression compression = Compression::Source;
    // -1 every page the source has; nullopt what the feeder holds, or the flatbed's one page.
    std::optional<std::int32_t> maxPages;
    // Close the source as soon as the batch ends, before the files are completed.
    bool closeSourceAfterBatch = false;
    std::wstring target;  // the path a multi-page file is completed as; its folder's interrupted scans are recovered
    PageStored pageStored;  // may be empty; told only of the pages stored, numbered without the ones dropped
    imaging::cleanup::CleanupOptions cleanup;  // each page cleaned before the files take it (none by default)
    // Called once the settings were taken, just before the batch: a surface that answers its
    // client before the pages come knows then that nothing was refused. May be empty.
    std::function<void()> batchStarting;
};

struct ScanJobResult {
    std::optional<Failure> refusal;  // a setting the source refused, or an empty feeder: nothing was scanned
    BatchResult batch;
    bool finished = false;   // the files completed what the pages taken make
    std::wstring filesError;  // why they could not
    std::vector<imaging::RecoveredScan> recovered;  // interrupted scans found in the target's folder first
    std::vector<imaging::cleanup::ScannedPageReport> pages;  // every page scanned: cleaned, kept or dropped
    std::uint32_t StoredPages() const;
};

// Runs on the session's open source. First the target's folder is searched for interrupted scans, which are
// recovered before a page of this one is written. The files are completed whenever a batch ran, also after an
// early end, so the pages before a jam are kept.
ScanJobResult RunScanJob(Session& session, const ScanJob& job, imaging::PageConsumer& files);

}  // namespace vantrel::engine
