// The service's pure logic: settings read, routes, access, profiles, the job table, and the
// answers over a backend that fails on anything it was not told to expect.
#include "service/service.h"

#include "service/json_api.h"
#include "service/document_encoding.h"
#include "service/page_encoding.h"
#include "service/routes.h"
#include "service/service_arguments.h"
#include "twain/capability/twain_names.h"
#include "twain/twain_records.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace vantrel::service {
namespace {

using capability::Enumeration;
using capability::ItemType;
using capability::OneValue;
using capability::Range;

SourceProfile Sample() {
    SourceProfile profile;
    profile.name = "Sample";
    profile.feeder = profile.duplex = true;
    profile.colorModes = {ColorModeName::Grayscale8, ColorModeName::Rgb24};
    profile.resolutions = {100, 300};
    return profile;
}

std::string Settings(const std::string& inner) {
    return "<?xml version=\"1.0\"?><scan:ScanSettings xmlns:scan=\"http://schemas.hp.com/imaging/escl/2011/05/03\" "
           "xmlns:pwg=\"http://www.pwg.org/schemas/2010/12/sm\">" + inner + "</scan:ScanSettings>";
}

TEST(ScanSettings, ReadOrRefused) {
    const std::string region = "<pwg:ScanRegions><pwg:ScanRegion><pwg:ContentRegionUnits>escl:ThreeHundredthsOfInches</pwg:ContentRegionUnits>"
                               "<pwg:Width>2550</pwg:Width><pwg:Height>900</pwg:Height><pwg:XOffset>0</pwg:XOffset><pwg:YOffset>30</pwg:YOffset>"
                               "</pwg:ScanRegion></pwg:ScanRegions>";
    struct Row { std::string xml; int status; bool feeder; bool duplex; std::optional<int> dpi; std::string format; };
    const Row rows[] = {
        {Settings("<pwg:InputSource>Feeder</pwg:InputSource><scan:Duplex>true</scan:Duplex><scan:ColorMode>Grayscale8</scan:ColorMode>"
                  "<scan:XResolution>300</scan:XResolution><scan:YResolution>300</scan:YResolution>"
                  "<pwg:DocumentFormat>image/jpeg</pwg:DocumentFormat><scan:DocumentFormatExt>image/png</scan:DocumentFormatExt>"),
         0, true, true, 300, "image/png"},
        {Settings("<pwg:InputSource>Platen</pwg:InputSource>" + region), 0, false, false, std::nullopt, "image/jpeg"},
        {"<a:ScanSettings xmlns:a=\"x\"><a:InputSource> Feeder </a:InputSource></a:ScanSettings>", 0, true, false, std::nullopt, "image/jpeg"},
        {Settings("<scan:XResolution>300</scan:XResolution><scan:YResolution>600</scan:YResolution>"), 409, false, false, {}, ""},
        {Settings("<scan:XResolution>3OO</scan:XResolution>"), 400, false, false, {}, ""},
        {Settings("<scan:ColorMode>BlackAndWhite1</scan:ColorMode>"), 409, false, false, {}, ""},
        {Settings("<pwg:InputSource>Camera</pwg:InputSource>"), 409, false, false, {}, ""},
        {Settings("<scan:Duplex>true</scan:Duplex>"), 409, false, false, {}, ""},
        {Settings("<scan:Duplex>yes</scan:Duplex>"), 400, false, false, {}, ""},
        {Settings("<pwg:DocumentFormat>image/gif</pwg:DocumentFormat>"), 409, false, false, {}, ""},
        {Settings(region.substr(0, region.find("<pwg:Width>")) + "<pwg:Width>2551</pwg:Width></pwg:ScanRegion></pwg:ScanRegions>"), 409, false, false, {}, ""},
        {Settings("<scan:ColorMode>Grayscale8"), 400, false, false, {}, ""},
        {"<ScannerStatus/>", 400, false, false, {}, ""},
        {Settings(std::string(kMaxScanSettingsBytes, ' ')), 400, false, false, {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.xml.substr(0, 300));
        const ScanSettingsRead read = ReadScanSettings(row.xml, Sample());
        if (row.status != 0) {
            EXPECT_FALSE(read.request);
            EXPECT_FALSE(read.error.empty());
            EXPECT_EQ(read.conflict, row.status == 409);
            continue;
        }
        ASSERT_TRUE(read.request) << read.error;
        EXPECT_EQ(read.request->feeder, row.feeder);
        EXPECT_EQ(read.request->duplex, row.duplex);
        EXPECT_EQ(read.request->resolution, row.dpi);
        EXPECT_EQ(read.request->format, row.format);
    }
    const auto withRegion = ReadScanSettings(Settings(region), Sample());
    ASSERT_TRUE(withRegion.request && withRegion.request->region);
    EXPECT_EQ(withRegion.request->region->y, 30);
    EXPECT_EQ(withRegion.request->region->height, 900);
}

// {"capabilities": {...}} with this many distinct capabilities, each a valid value.
std::string ManyCapabilities(std::size_t count) {
    nlohmann::json named;
    for (std::uint16_t number = 0x1100; named.size() < count; ++number)
        if (const auto info = capability::FindCapability(number); info && !capability::IsString(info->itemType)) named[std::string(info->name)] = 0;
    return nlohmann::json{{"capabilities", named}}.dump();
}

TEST(JsonApi, ScanReadOrRefused) {
    struct Row { std::string json; std::size_t source; std::string error; };
    const std::string archivedJson = R"({"pdfa": "1b", "title": "Αρχείο", "author": "A", "subject": "S", "keywords": "K"})";
    const std::string namedJson = R"({"capabilities": {"ICAP_BRIGHTNESS": 100, "cap_autofeed": true, "ICAP_PIXELFLAVOR": "TWPF_CHOCOLATE", "ICAP_CONTRAST": -2.5}})";
    const std::string cleanup = R"({"blankPages": "skip", "blankThreshold": 0.5, "deskew": true, "cropBorders": false,
                                    "despeckle": 4, "binarize": "otsu", "cleanupBy": "source"})";
    const Row rows[] = {
        {R"({"source": 1, "feeder": true, "duplex": true, "colorMode": "gray", "resolution": 300, "format": "image/png"})", 1, ""},
        {"{}", 0, ""},
        {R"({"source": 2})", 0, "The setting \"source\""},
        {R"({"resolution": -300})", 0, "The setting \"resolution\""},
        {R"({"colorMode": "sepia"})", 0, "colorMode is one of"},
        {R"({"colorMode": "bw"})", 0, "The colour mode BlackAndWhite1 is not offered."},
        {R"({"duplex": true})", 0, "Duplex is offered only"},
        {R"({"paper": "A4"})", 0, "The setting \"paper\""},
        {R"({"paperSize": "A4", "pages": 3, "jpegQuality": 50})", 0, ""},
        {R"({"pages": 0})", 0, "The setting \"pages\""},
        {R"({"jpegQuality": 101})", 0, "The setting \"jpegQuality\""},
        {R"({"paperSize": ""})", 0, "The setting \"paperSize\""},
        {archivedJson, 0, ""},
        {R"({"pdfa": "3u"})", 0, "The setting \"pdfa\""},
        {R"({"title": 5})", 0, "The setting \"title\""},
        {cleanup, 0, ""},
        {R"({"blankPages": true})", 0, "The setting \"blankPages\""},
        {R"({"binarize": "sauvola"})", 0, "The setting \"binarize\""},
        {R"({"cleanupBy": "scanner"})", 0, "The setting \"cleanupBy\""},
        {"[1, 2]", 0, "The scan settings must be"},
        {"{\"a\": " + std::string(9, '[') + std::string(9, ']') + "}", 0, "The scan settings are not"},
        {"{\"source\": 0", 0, "The scan settings are not"},
        {namedJson, 0, ""},
        {R"({"capabilities": {"ICAP_NOSUCH": 1}})", 0, "There is no capability named \"ICAP_NOSUCH\"."},
        {R"({"capabilities": {"CAP_AUTOFEED": 1}})", 0, "CAP_AUTOFEED takes TRUE or FALSE, not 1."},
        {R"({"capabilities": {"ICAP_BRIGHTNESS": "100"}})", 0, "ICAP_BRIGHTNESS takes a number, not \"100\"."},
        {R"({"capabilities": {"ICAP_PIXELTYPE": 2.5}})", 0, "ICAP_PIXELTYPE takes a whole number from 0 to 65535 or a TWPT_ name"},
        {R"({"capabilities": {"ICAP_PIXELFLAVOR": "TWPT_GRAY"}})", 0, "ICAP_PIXELFLAVOR takes"},
        {R"({"capabilities": {"CAP_AUTHOR": "J\u00f6rg"}})", 0, "CAP_AUTHOR takes text"},
        {R"({"capabilities": {"CAP_AUTOFEED": [true]}})", 0, "CAP_AUTOFEED takes"},
        {"{\"capabilities\": {\"CAP_AUTHOR\": \"" + std::string(62, 'a') + "\u00e9\"}}", 0, "CAP_AUTHOR takes text, not \"aaaa"},
        {"{\"capabilities\": {\"" + std::string(63, 'A') + "\u00e9\": 1}}", 0, "A capability's name has at most 64"},
        {R"({"capabilities": [1]})", 0, "The setting \"capabilities\""},
        {ManyCapabilities(33), 0, "At most 32 capabilities"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.json);
        std::size_t source = 99;
        const ScanSettingsRead read = ReadJsonScan(row.json, {Sample(), Sample()}, source);
        EXPECT_EQ(read.error.substr(0, row.error.size()), row.error);
        EXPECT_EQ(bool(read.request), row.error.empty());
        if (read.request) EXPECT_EQ(source, row.source);
        EXPECT_NO_THROW(ErrorJson(read.error, {}, read.setting)) << "a message cut inside a character";
    }
    std::size_t source = 0;
    const auto archived = ReadJsonScan(archivedJson, {Sample()}, source).request->document;
    const auto& m = archived.metadata;
    EXPECT_EQ(std::tuple(archived.archive, m.title, m.author, m.subject, m.keywords),
              std::tuple(imaging::PdfArchive::A1b, "Αρχείο", "A", "S", "K"));
    const auto named = ReadJsonScan(namedJson, {Sample()}, source);
    ASSERT_TRUE(named.request);
    EXPECT_EQ(named.request->capabilities, (std::vector<std::pair<std::uint16_t, OneValue>>{
        {twain::ICAP_BRIGHTNESS, {ItemType::Fix32, 100.0}}, {twain::CAP_AUTOFEED, {ItemType::Bool, true}},
        {twain::ICAP_PIXELFLAVOR, {ItemType::UInt16, std::int64_t{twain::TWPF_CHOCOLATE}}}, {twain::ICAP_CONTRAST, {ItemType::Fix32, -2.5}}}))
        << "in the order given";
    const auto cleaned = ReadJsonScan(cleanup, {Sample()}, source).request.value().cleanup;
    EXPECT_EQ(std::tuple(cleaned.skipBlank, cleaned.blank.thresholdPercent, cleaned.deskew, cleaned.crop, cleaned.despeckle),
              std::tuple(true, 0.5, true, false, 4u));
    EXPECT_EQ(std::pair(cleaned.binarize, cleaned.by), std::pair(imaging::cleanup::Binarization::Otsu, imaging::cleanup::CleanupBy::Source));
    const auto listed = nlohmann::json::parse(SourcesJson({Sample()}));
    EXPECT_EQ(listed[0]["colorModes"], nlohmann::json::parse(R"(["gray", "color"])"));
    EXPECT_EQ(listed[0]["resolutions"], nlohmann::json::parse("[100, 300]"));
}

TEST(Routes, TargetsAndTheirResources) {
    const std::string id = "0123abcd-0000-4000-8000-00000000beef";
    using K = Route::Kind;
    struct Row { std::string target; K kind; std::size_t source; std::string root; };
    const Row rows[] = {
        {"/eSCL/ScannerCapabilities", K::Capabilities, 0, "/eSCL"},
        {"/eSCL/ScannerStatus?x=1", K::Status, 0, "/eSCL"},
        {"/eSCL/2/ScanJobs/", K::ScanJobs, 1, "/eSCL/2"},
        {"/eSCL/ScanJobs/" + id, K::Job, 0, "/eSCL"},
        {"/eSCL/1/ScanJobs/" + id + "/NextDocument", K::NextDocument, 0, "/eSCL/1"},
        {"/eSCL/ScanJobs/" + id + "/ScanImageInfo", K::ImageInfo, 0, "/eSCL"},
        {"/api/sources", K::ApiSources, 0, ""},
        {"/api/scans/" + id + "/next", K::ApiNextPage, 0, ""},
        {"/api/scans/" + id + "/../next", K::None, 0, ""},
        {"/eSCL/3/ScannerStatus", K::None, 0, ""},
        {"/eSCL/0/ScannerStatus", K::None, 0, ""},
        {"/eSCL/ScanJobs/" + id.substr(1) + "0/NextDocument", K::None, 0, ""},
        {"/eSCL/ScanJobs/../ScannerStatus", K::None, 0, ""},
        {"/eSCL/ScanJobs/%2e%2e/%2e%2e/etc/passwd", K::None, 0, ""},
        {"/escl/ScannerStatus", K::None, 0, ""},
        {"eSCL/ScannerStatus", K::None, 0, ""},
        {"/eSCL/" + std::string(kMaxTargetBytes, 'a'), K::None, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.target);
        const Route route = ParseRoute(row.target, 2);
        EXPECT_EQ(route.kind, row.kind);
        if (row.kind == K::None) continue;
        EXPECT_EQ(route.source, row.source);
        EXPECT_EQ(route.root, row.root);
    }
}

TEST(Access, HostAndOrigin) {
    AccessPolicy policy{"127.0.0.1", 52970, {"http://127.0.0.1:8000", "https://app.example.com"}};
    struct Row { std::string host; std::optional<std::string> origin; Access expected; };
    const Row rows[] = {
        {"127.0.0.1:52970", std::nullopt, Access::Allowed},
        {"LOCALHOST:52970", std::nullopt, Access::Allowed},
        {"evil.example.com:52970", std::nullopt, Access::BadHost},  // DNS rebinding
        {"127.0.0.1:52971", std::nullopt, Access::BadHost},
        {"127.0.0.1", std::nullopt, Access::BadHost},
        {"", std::nullopt, Access::BadHost},
        {"127.0.0.1:x", std::nullopt, Access::BadHost},
        {"127.0.0.1:52970", "http://127.0.0.1:8000", Access::Allowed},
        {"127.0.0.1:52970", "https://app.example.com", Access::Allowed},
        {"127.0.0.1:52970", "https://app.example.com:443", Access::BadOrigin},
        {"127.0.0.1:52970", "http://127.0.0.1:8001", Access::BadOrigin},
        {"127.0.0.1:52970", "null", Access::BadOrigin},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host + " " + row.origin.value_or("-"));
        HttpRequest request{.method = "GET", .target = "/", .host = row.host, .origin = row.origin.value_or(""), .hasOrigin = bool(row.origin)};
        EXPECT_EQ(CheckAccess(policy, request), row.expected);
    }
    policy.listenHost = "0.0.0.0";
    EXPECT_EQ(CheckAccess(policy, HttpRequest{.host = "scanner-pc:52970"}), Access::Allowed);
}

TEST(Profile, FromCapabilities) {
    using namespace twain;
    const auto uint16s = [](std::vector<std::int64_t> values, std::uint32_t current) {
        Enumeration list{ItemType::UInt16, {}, current, current};
        for (auto v : values) list.items.emplace_back(v);
        return capability::Container{list};
    };
    CapabilityAnswers answers{
        {CAP_FEEDERENABLED, OneValue{ItemType::Bool, false}},
        {CAP_DUPLEX, OneValue{ItemType::UInt16, std::int64_t{TWDX_1PASSDUPLEX}}},
        {ICAP_PIXELTYPE, uint16s({TWPT_BW, TWPT_RGB}, 0)},
        {ICAP_XRESOLUTION, Range{ItemType::Fix32, 100.0, 1000.0, 50.0, 100.0, 100.0}},
        {ICAP_PHYSICALWIDTH, OneValue{ItemType::Fix32, 8.5}},
        {ICAP_PHYSICALHEIGHT, OneValue{ItemType::Fix32, 14.0}},
    };
    SourceProfile profile = ProfileFrom("Sample", "Vantrel", answers);
    EXPECT_TRUE(profile.platen && profile.feeder && profile.duplex);
    EXPECT_EQ(profile.colorModes, (std::vector{ColorModeName::BlackAndWhite1, ColorModeName::Rgb24}));
    EXPECT_EQ(profile.resolutions, (std::vector{100, 150, 200, 300, 400, 600}));  // 240 is off the step
    EXPECT_EQ(profile.maxWidth, 2550);
    EXPECT_EQ(profile.maxHeight, 4200);
    EXPECT_EQ(profile.uuid, SourceUuid("Sample"));
    EXPECT_NE(profile.uuid, SourceUuid("Sample 2"));

    answers[CAP_FEEDERENABLED] = uint16s({1}, 0);  // a feeder only
    answers[CAP_DUPLEX] = OneValue{ItemType::UInt16, std::int64_t{TWDX_NONE}};
    answers[ICAP_XRESOLUTION] = uint16s({300, 150, 300}, 0);
    profile = ProfileFrom("Sample", "Vantrel", answers);
    EXPECT_FALSE(profile.platen || profile.duplex);
    EXPECT_EQ(profile.resolutions, (std::vector{150, 300}));
    answers.erase(CAP_FEEDERENABLED);
    EXPECT_FALSE(ProfileFrom("Sample", "", answers).feeder);
}

TEST(Documents, CapabilitiesReadBack) {
    SourceProfile profile = Sample();
    profile.manufacturer = "Vantrel & Co";
    std::istringstream in(ScannerCapabilitiesXml(profile, "/eSCL"));
    boost::property_tree::ptree tree;
    boost::property_tree::read_xml(in, tree);
    const auto& caps = tree.get_child("scan:ScannerCapabilities");
    EXPECT_EQ(caps.get<std::string>("pwg:MakeAndModel"), "Vantrel & Co Sample");
    const auto& duplex = caps.get_child("scan:Adf.scan:AdfDuplexInputCaps");
    EXPECT_EQ(duplex.get<int>("scan:MaxWidth"), 2550);
    const auto& setting = duplex.get_child("scan:SettingProfiles.scan:SettingProfile");
    EXPECT_EQ(setting.get_child("scan:ColorModes").count("scan:ColorMode"), 2u);
    EXPECT_EQ(setting.get_child("scan:SupportedResolutions.scan:DiscreteResolutions").back().second.get<int>("scan:XResolution"), 300);
    profile.feeder = false;
    std::istringstream flatbed(ScannerCapabilitiesXml(profile, "/eSCL"));
    boost::property_tree::read_xml(flatbed, tree = {});
    EXPECT_FALSE(tree.get_child_optional("scan:ScannerCapabilities.scan:Adf"));
    EXPECT_TRUE(tree.get_child_optional("scan:ScannerCapabilities.scan:Platen"));
}

EncodedPage page;
EncodedPage& Page(char mark) {
    page = EncodedPage{std::string(1, mark), "image/png"};
    return page;
}

TEST(Jobs, OneAtATimeWithABoundedQueue) {
    int freed = 0;
    JobTable jobs(2, [&] { ++freed; });
    const auto t0 = Clock::now();
    const auto id = jobs.Create(0, t0);
    ASSERT_TRUE(id && IsJobId(*id));
    EXPECT_FALSE(jobs.Create(0, t0));  // one batch at a time
    EXPECT_EQ(jobs.Pop(*id, t0).kind, JobTable::Next::Kind::Waiting);
    EXPECT_EQ(jobs.TryPush(*id, Page('1'), t0), JobTable::Push::Taken);
    EXPECT_EQ(jobs.TryPush(*id, Page('2'), t0), JobTable::Push::Taken);
    EXPECT_EQ(jobs.TryPush(*id, Page('3'), t0), JobTable::Push::Full);
    EXPECT_TRUE(jobs.Idle(t0 + std::chrono::seconds(29), std::chrono::seconds(30)).empty());
    EXPECT_EQ(jobs.Idle(t0 + std::chrono::seconds(31), std::chrono::seconds(30)), std::vector{*id});
    const auto next = jobs.Pop(*id, t0);
    EXPECT_EQ(next.page.bytes, "1");
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(jobs.TryPush(*id, Page('3'), t0), JobTable::Push::Taken);
    jobs.Finish(*id, JobState::Completed, "", 0);
    EXPECT_EQ(jobs.Pop(*id, t0).page.bytes, "2");
    EXPECT_EQ(jobs.Pop(*id, t0).page.bytes, "3");
    EXPECT_EQ(jobs.Pop(*id, t0).kind, JobTable::Next::Kind::Done);
    EXPECT_TRUE(jobs.Idle(t0 + std::chrono::hours(1), std::chrono::seconds(30)).empty());

    const auto second = jobs.Create(0, t0);
    ASSERT_TRUE(second && *second != *id);
    EXPECT_TRUE(jobs.Cancel(*second));
    EXPECT_EQ(jobs.TryPush(*second, Page('x'), t0), JobTable::Push::Gone);
    EXPECT_EQ(jobs.Find(*second, t0)->state, JobState::Canceled);
    EXPECT_TRUE(jobs.Busy());  // until its batch has ended
    jobs.Finish(*second, JobState::Aborted, "stopped", 0);
    EXPECT_FALSE(jobs.Busy());
    EXPECT_EQ(jobs.Find(*second, t0)->state, JobState::Canceled);
    EXPECT_FALSE(jobs.Cancel("0123abcd-0000-4000-8000-00000000beef"));
}

TEST(Encoding, PagesInTheFormatAsked) {
    const std::vector<std::uint8_t> pixels(16 * 8, 200);
    const imaging::PageImage page{16, 8, imaging::PixelFormat::Gray8, 16, 300, 300, pixels};
    EXPECT_EQ(EncodePage(page, "image/png", 85)->bytes.substr(1, 3), "PNG");
    EXPECT_EQ(EncodePage(page, "image/jpeg", 85)->bytes.substr(0, 2), "\xFF\xD8");
    EXPECT_FALSE(EncodePage(page, "image/gif", 85));
}

// A PDF or TIFF holds every page of the batch, read back by the tools users open them with.
TEST(Encoding, DocumentsHoldTheBatch) {
    const std::vector<std::uint8_t> grey(16 * 8, 200), bits(2 * 8, 0x5A);
    const imaging::PageImage pages[] = {{16, 8, imaging::PixelFormat::Gray8, 16, 300, 300, grey},
                                        {16, 8, imaging::PixelFormat::BlackWhite1, 2, 300, 300, bits}};
    struct Row { std::string format; std::string tool; std::string says; imaging::PdfDocument document = {}; };
    const imaging::PdfDocument titled{imaging::PdfArchive::A2b, {"文書", "", "", ""}};
    for (const Row& row : {Row{"application/pdf", "qpdf --show-npages", "2"}, Row{"image/tiff", "tiffinfo", "Page Number: 1-2"},
                           Row{"application/pdf", "pdfinfo", "Title:           文書", titled},
                           Row{"image/tiff", "tiffinfo", "DocumentName: 文書", titled}}) {
        DocumentEncoder document(row.format, 85, row.document, imaging::PdfDate{2026, 12, 9, 21, 0, 0, 0});
        EXPECT_FALSE(DocumentEncoder(row.format, 85).Finish({}));
        for (const auto& page : pages) EXPECT_TRUE(document.Add(page));
        const auto whole = document.Finish({2026, 12, 9, 21, 0, 0, 0});
        ASSERT_TRUE(whole);
        const std::string path = ::testing::TempDir() + "document." + row.format.substr(row.format.find('/') + 1);
        std::ofstream(path, std::ios::binary) << whole->bytes;
        std::string said;
        std::unique_ptr<FILE, int (*)(FILE*)> tool(::popen((row.tool + " " + path + " 2>&1").c_str(), "r"), ::pclose);
        for (char buffer[256]; std::fgets(buffer, sizeof buffer, tool.get());) said += buffer;
        EXPECT_NE(said.find(row.says), std::string::npos) << row.format << ": " << said;
    }
    EXPECT_FALSE(DocumentEncoder::Gathers("image/jpeg"));
}

// A backend that answers only what the test scripted and records every call.
class StrictBackend final : public ScanBackend {
public:
    std::optional<std::string> startAnswer;  // a Start is expected only when set; empty starts
    std::optional<std::uint16_t> condition;  // with a refusal
    std::vector<std::string> calls;
    std::optional<StartRefusal> Start(const std::string&, std::size_t source, const ScanRequest&) override {
        calls.push_back("start " + std::to_string(source));
        if (!startAnswer) ADD_FAILURE() << "unexpected Start";
        if (startAnswer.value_or("").empty()) return std::nullopt;
        return StartRefusal{*startAnswer, condition, "ICAP_XRESOLUTION"};
    }
    void Cancel(const std::string&) override { calls.push_back("cancel"); }
    AdfState Adf(std::size_t) override { return AdfState::Loaded; }
    std::optional<SourceProfile> reread;  // what the source says when read again
    std::optional<SourceProfile> Reread(std::size_t source) override {
        calls.push_back("reread " + std::to_string(source));
        return reread;
    }
};

TEST(Service, Answers) {
    JobTable jobs(3, nullptr);
    StrictBackend backend;
    ServiceOptions options{{"127.0.0.1", 52970, {"http://127.0.0.1:8000"}}, std::chrono::milliseconds(0)};
    Service service({Sample(), Sample()}, options, jobs, backend);
    auto ask = [&](std::string method, std::string target, std::string body = "", std::optional<std::string> origin = {}) {
        return service.Respond(HttpRequest{method, target, "127.0.0.1:52970", origin.value_or(""), bool(origin), "", body});
    };
    const std::string feeder = Settings("<pwg:InputSource>Feeder</pwg:InputSource>");

    // Read again while idle: the answer is what the source says now.
    backend.reread = Sample();
    backend.reread->manufacturer = "Changed";
    EXPECT_NE(ask("GET", "/eSCL/ScannerCapabilities").body.find("Changed"), std::string::npos);
    EXPECT_EQ(ask("POST", "/eSCL/ScanJobs", feeder, "http://evil.example").status, 403);  // and nothing started
    EXPECT_EQ(ask("POST", "/eSCL/ScanJobs", "<ScanSettings").status, 400);
    EXPECT_EQ(ask("GET", "/eSCL/ScanJobs").status, 405);
    backend.startAnswer = "The source refused ICAP_XRESOLUTION = 2400: value out of range (TWCC_BADVALUE).";
    HttpResponse refused = ask("POST", "/eSCL/ScanJobs", feeder);
    EXPECT_EQ(refused.status, 400);
    EXPECT_EQ(refused.body, *backend.startAnswer);

    backend.startAnswer = "";
    const HttpResponse created = ask("POST", "/eSCL/2/ScanJobs", feeder, "http://127.0.0.1:8000");
    ASSERT_EQ(created.status, 201);
    EXPECT_EQ(*created.Header("Access-Control-Allow-Origin"), "http://127.0.0.1:8000");
    const std::string location = *created.Header("Location");
    const std::string path = location.substr(std::string("http://127.0.0.1:52970").size());
    EXPECT_EQ(path.rfind("/eSCL/2/ScanJobs/", 0), 0u);
    const HttpResponse busy = ask("POST", "/eSCL/ScanJobs", feeder);
    EXPECT_EQ(busy.status, 503);
    ask("GET", "/eSCL/2/ScannerCapabilities");  // not read again while a batch runs
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"reread 0", "start 0", "start 1"}));

    const std::string id = path.substr(path.rfind('/') + 1);
    const HttpResponse waiting = ask("GET", path + "/NextDocument");
    EXPECT_EQ(waiting.status, 503);
    EXPECT_EQ(*waiting.Header("Retry-After"), "1");
    jobs.TryPush(id, Page('p'), Clock::now());
    const HttpResponse fetched = ask("GET", path + "/NextDocument");
    EXPECT_EQ(fetched.status, 200);
    EXPECT_EQ(fetched.body, "p");
    EXPECT_NE(ask("GET", "/eSCL/2/ScannerStatus").body.find("<pwg:ImagesCompleted>1</pwg:ImagesCompleted>"), std::string::npos);
    EXPECT_EQ(ask("DELETE", path).status, 200);
    EXPECT_EQ(backend.calls.back(), "cancel");
    jobs.Finish(id, JobState::Aborted, "The scan was stopped.", 0);  // as the backend does once the source is closed
    EXPECT_EQ(ask("GET", path + "/NextDocument").status, 404);
    EXPECT_EQ(ask("DELETE", "/eSCL/ScanJobs/0123abcd-0000-4000-8000-00000000beef").status, 404);

    // The engine's refusal in JSON, and one of the reader's own: the setting named, a condition code only from the source.
    backend.startAnswer = "The source refused ICAP_XRESOLUTION = 2400.";
    backend.condition = 10;
    struct Row { std::string body; nlohmann::json error; };
    for (const Row& row : {Row{R"({"resolution": 2400})", {{"error", *backend.startAnswer}, {"condition", 10}, {"setting", "ICAP_XRESOLUTION"}}},
                           Row{R"({"pages": 0})", {{"error", "The setting \"pages\" is unknown or its value is out of range."},
                                                   {"condition", nullptr}, {"setting", "pages"}}}}) {
        const HttpResponse apiRefused = ask("POST", "/api/scans", row.body);
        EXPECT_EQ(apiRefused.status, 400);
        EXPECT_EQ(nlohmann::json::parse(apiRefused.body), row.error) << row.body;
    }
    backend.startAnswer = "";
    const HttpResponse apiCreated = ask("POST", "/api/scans", R"({"feeder": true})");
    ASSERT_EQ(apiCreated.status, 201);
    const std::string apiId = nlohmann::json::parse(apiCreated.body)["id"];
    EXPECT_TRUE(nlohmann::json::parse(ask("GET", "/api/scans/" + apiId).body)["condition"].is_null()) << "no condition yet";
    jobs.Finish(apiId, JobState::Aborted, "The source stopped at page 7: paper jam (TWCC_PAPERJAM).", 20);
    imaging::cleanup::PageReport front, back;
    front.skewDegrees = 1.25, front.inkPercent = 3.5, front.by.deskew = imaging::cleanup::Doer::Ours;
    back.kept = false, back.inkPercent = 0, back.by.blank = imaging::cleanup::Doer::Ours, back.by.deskew = imaging::cleanup::Doer::Source;
    jobs.Report(apiId, {{1, 1, front}, {2, 0, back}});
    const auto state = nlohmann::json::parse(ask("GET", "/api/scans/" + apiId).body);
    EXPECT_EQ(state["state"], "failed");
    EXPECT_EQ(state["condition"], 20);
    EXPECT_EQ(state["cleanup"], nlohmann::json::parse(R"([{"scanned": 1, "kept": true, "page": 1, "ink": 3.5, "skew": 1.25, "by": {"deskew": "ours"}},
        {"scanned": 2, "kept": false, "ink": 0, "by": {"blank": "ours", "deskew": "source"}}])"));
    EXPECT_EQ(ask("GET", "/api/scans/" + apiId + "/next").status, 404);
    EXPECT_EQ(ask("GET", "/api/sources").contentType, "application/json");

    const HttpResponse preflight = ask("OPTIONS", "/eSCL/ScanJobs", "", "http://127.0.0.1:8000");
    EXPECT_EQ(preflight.status, 204);
    const std::string* privateNetwork = preflight.Header("Access-Control-Allow-Private-Network");
    EXPECT_EQ(privateNetwork ? *privateNetwork : "", "true");
    EXPECT_EQ(ask("OPTIONS", "/eSCL/ScanJobs", "", "http://127.0.0.1:8001").status, 403);
}

}  // namespace
}  // namespace vantrel::service

namespace vantrel::service {
namespace {

TEST(Arguments, ReadOrRefused) {
    struct Row { std::vector<std::string> args; std::string error; };
    const Row rows[] = {
        {{"--listen", "0.0.0.0:8080", "--allow-origin", "https://app.example.com:8443", "--timeout", "0", "--idle", "30"}, ""},
        {{"--listen", "127.0.0.1"}, "--listen takes"},
        {{"--listen", "127.0.0.1:70000"}, "--listen takes"},
        {{"--allow-origin", "https://app.example.com/page"}, "--allow-origin takes"},
        {{"--allow-origin", "*"}, "--allow-origin takes"},
        {{"--quality", "0"}, "--quality takes 1 to 100."},
        {{"--idle"}, "--idle needs a value."},
        {{"--bogus", "1"}, "Unknown option \"--bogus\"."},
    };
    for (const Row& row : rows) {
        const ParsedServiceArguments parsed = ParseServiceArguments(row.args);
        EXPECT_EQ(parsed.error.substr(0, row.error.size()), row.error) << row.args[0];
        EXPECT_EQ(parsed.error.empty(), row.error.empty()) << row.args[0];
    }
    const ServiceArguments a = ParseServiceArguments(rows[0].args).arguments;
    EXPECT_EQ(a.listenHost, "0.0.0.0");
    EXPECT_EQ(a.port, 8080);
    EXPECT_EQ(a.allowedOrigins, std::vector<std::string>{"https://app.example.com:8443"});
    EXPECT_EQ(a.pageTimeoutSeconds, 0);
    EXPECT_EQ(a.idleSeconds, 30);
    const ServiceArguments install = ParseServiceArguments({"--install", "--allow-origin", "https://a.example"}).arguments;
    EXPECT_TRUE(install.install);
    EXPECT_EQ(LogonCommand("C:\\Program Files\\vantrel-service.exe", install.kept),
              "\"C:\\Program Files\\vantrel-service.exe\" \"--allow-origin\" \"https://a.example\"");
    EXPECT_EQ(LogonCommand("a\\", {"say \"hi\"\\"}), R"("a\\" "say \"hi\"\\")");
    EXPECT_FALSE(ParseServiceArguments({"--install", "--uninstall"}).error.empty());

    std::string error;
    EXPECT_EQ(IniOptions("; mine\r\n[service]\r\nlisten = 127.0.0.1:8080\r\n\r\nallow-origin=https://a.example\n", error),
              (std::vector<std::string>{"--listen", "127.0.0.1:8080", "--allow-origin", "https://a.example"}));
    EXPECT_TRUE(error.empty());
    EXPECT_TRUE(IniOptions("listen = 1\nallow-origin\n", error).empty());
    EXPECT_EQ(error, "Line 2 of the configuration is not \"name = value\".");
}

}  // namespace
}  // namespace vantrel::service
