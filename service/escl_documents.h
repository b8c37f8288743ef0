// The eSCL documents the service writes: ScannerCapabilities, ScannerStatus and ScanImageInfo.
#pragma once

#include "service/job_table.h"
#include "service/source_profile.h"

#include <string>
#include <vector>

namespace vantrel::service {

inline constexpr const char* kEsclNamespace = "http://schemas.hp.com/imaging/escl/2011/05/03";
inline constexpr const char* kPwgNamespace = "http://www.pwg.org/schemas/2010/12/sm";

// The formats a page can be delivered in, in the order offered.
const std::vector<std::string>& DocumentFormats();

std::string ScannerCapabilitiesXml(const SourceProfile& profile, const std::string& root);

// AdfState from what the source said last: its feeder loaded or empty, or the jam that ended a batch.
enum class AdfState { None, Loaded, Empty, Jam, DoubleFeed };

std::string ScannerStatusXml(bool processing, AdfState adf, const std::vector<JobInfo>& jobs, const std::string& root);

std::string ScanImageInfoXml(const JobInfo& job, const std::string& root);

}  // namespace vantrel::service
