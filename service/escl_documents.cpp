// eSCL documents written through Boost.PropertyTree, so every text is escaped by the library.
#include "service/escl_documents.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include <sstream>

namespace vantrel::service {

namespace {

using Tree = boost::property_tree::ptree;

std::string Written(const Tree& document) {
    std::ostringstream out;
    boost::property_tree::write_xml(out, document, boost::property_tree::xml_writer_make_settings<std::string>(' ', 0));
    return out.str();
}

Tree& Root(Tree& document, const char* name) {
    Tree& root = document.add_child(std::string("scan:") + name, Tree{});
    root.put("<xmlattr>.xmlns:scan", kEsclNamespace);
    root.put("<xmlattr>.xmlns:pwg", kPwgNamespace);
    root.put("pwg:Version", "2.63");
    return root;
}

void AddInputCaps(Tree& parent, const char* name, const SourceProfile& profile) {
    Tree& caps = parent.add_child(name, Tree{});
    caps.put("scan:MinWidth", profile.minWidth);
    caps.put("scan:MaxWidth", profile.maxWidth);
    caps.put("scan:MinHeight", profile.minHeight);
    caps.put("scan:MaxHeight", profile.maxHeight);
    caps.put("scan:MaxScanRegions", 1);
    Tree& setting = caps.add_child("scan:SettingProfiles.scan:SettingProfile", Tree{});
    Tree& modes = setting.add_child("scan:ColorModes", Tree{});
    for (ColorModeName mode : profile.colorModes) modes.add("scan:ColorMode", ColorModeText(mode));
    Tree& formats = setting.add_child("scan:DocumentFormats", Tree{});
    for (const std::string& format : DocumentFormats()) {
        formats.add("pwg:DocumentFormat", format);
        formats.add("scan:DocumentFormatExt", format);
    }
    Tree& discrete = setting.add_child("scan:SupportedResolutions.scan:DiscreteResolutions", Tree{});
    for (int dpi : profile.resolutions) {
        Tree& one = discrete.add_child("scan:DiscreteResolution", Tree{});
        one.put("scan:XResolution", dpi);
        one.put("scan:YResolution", dpi);
    }
    Tree& intents = caps.add_child("scan:SupportedIntents", Tree{});
    for (const char* intent : {"Document", "TextAndGraphic", "Photo", "Preview"}) intents.add("scan:Intent", intent);
    if (!profile.resolutions.empty()) {
        caps.put("scan:MaxOpticalXResolution", profile.resolutions.back());
        caps.put("scan:MaxOpticalYResolution", profile.resolutions.back());
    }
}

const char* AdfStateText(AdfState state) {
    switch (state) {
        case AdfState::Loaded: return "ScannerAdfLoaded";
        case AdfState::Empty: return "ScannerAdfEmpty";
        case AdfState::Jam: return "ScannerAdfJam";
        case AdfState::DoubleFeed: return "ScannerAdfMultipickDetected";
        case AdfState::None: break;
    }
    return nullptr;
}

const char* JobStateText(JobState state) {
    switch (state) {
        case JobState::Pending: return "Pending";
        case JobState::Processing: return "Processing";
        case JobState::Completed: return "Completed";
        case JobState::Canceled: return "Canceled";
        case JobState::Aborted: return "Aborted";
    }
    return "Aborted";
}

const char* JobReasonText(const JobInfo& job) {
    switch (job.state) {
        case JobState::Completed: return "JobCompletedSuccessfully";
        case JobState::Canceled: return "JobCanceledByUser";
        case JobState::Aborted: return "AbortedBySystem";
        case JobState::Pending:
        case JobState::Processing: break;
    }
    return "JobScanning";
}

std::string JobUri(const JobInfo& job, const std::string& root) { return root + "/ScanJobs/" + job.id; }

}  // namespace

const std::vector<std::string>& DocumentFormats() {
    static const std::vector<std::string> formats{"image/jpeg", "image/png", "application/pdf", "image/tiff"};
    return formats;
}

std::string ScannerCapabilitiesXml(const SourceProfile& profile, const std::string& root) {
    Tree document;
    Tree& caps = Root(document, "ScannerCapabilities");
    caps.put("pwg:MakeAndModel", profile.manufacturer.empty() ? profile.name : profile.manufacturer + " " + profile.name);
    caps.put("scan:Manufacturer", profile.manufacturer);
    caps.put("scan:UUID", profile.uuid);
    caps.put("scan:AdminURI", root);
    if (profile.platen) AddInputCaps(caps.add_child("scan:Platen", Tree{}), "scan:PlatenInputCaps", profile);
    if (profile.feeder) {
        Tree& adf = caps.add_child("scan:Adf", Tree{});
        AddInputCaps(adf, "scan:AdfSimplexInputCaps", profile);
        if (profile.duplex) AddInputCaps(adf, "scan:AdfDuplexInputCaps", profile);
        Tree& options = adf.add_child("scan:AdfOptions", Tree{});
        options.add("scan:AdfOption", "DetectPaperLoaded");
        if (profile.duplex) options.add("scan:AdfOption", "Duplex");
    }
    return Written(document);
}

std::string ScannerStatusXml(bool processing, AdfState adf, const std::vector<JobInfo>& jobs, const std::string& root) {
    Tree document;
    Tree& status = Root(document, "ScannerStatus");
    status.put("pwg:State", processing ? "Processing" : "Idle");
    if (const char* text = AdfStateText(adf)) status.put("scan:AdfState", text);
    Tree& list = status.add_child("scan:Jobs", Tree{});
    for (const JobInfo& job : jobs) {
        Tree& info = list.add_child("scan:JobInfo", Tree{});
        info.put("pwg:JobUri", JobUri(job, root));
        info.put("pwg:JobUuid", job.id);
        info.put("scan:Age", job.ageSeconds);
        info.put("pwg:ImagesCompleted", job.pagesScanned);
        info.put("pwg:ImagesToTransfer", job.pagesWaiting);
        info.put("pwg:JobState", JobStateText(job.state));
        info.put("pwg:JobStateReasons.pwg:JobStateReason", JobReasonText(job));
    }
    return Written(document);
}

std::string ScanImageInfoXml(const JobInfo& job, const std::string& root) {
    Tree document;
    Tree& info = document.add_child("scan:ScanImageInfo", Tree{});
    info.put("<xmlattr>.xmlns:scan", kEsclNamespace);
    info.put("<xmlattr>.xmlns:pwg", kPwgNamespace);
    info.put("pwg:JobUri", JobUri(job, root));
    info.put("pwg:JobUuid", job.id);
    info.put("scan:ActualWidth", job.lastWidth);
    info.put("scan:ActualHeight", job.lastHeight);
    info.put("scan:ActualBytesPerLine", job.lastBytesPerLine);
    return Written(document);
}

}  // namespace vantrel::service
