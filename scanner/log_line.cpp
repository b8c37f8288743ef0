// The names of TWAIN codes and the one-line record of a triplet.
#include "scanner/log_line.h"

#include <cstdio>

namespace vantrel::scanner {
namespace {

using namespace twain;

std::string Hex(const char* prefix, unsigned value) {
    char text[32];
    std::snprintf(text, sizeof text, "%s0x%04X", prefix, value);
    return text;
}

struct Name {
    unsigned code;
    const char* text;
};

template <std::size_t N>
std::string Lookup(const Name (&names)[N], unsigned code, const char* prefix) {
    for (const Name& name : names) {
        if (name.code == code) return name.text;
    }
    return Hex(prefix, code);
}

constexpr Name kGroups[] = {{DG_CONTROL, "DG_CONTROL"}, {DG_IMAGE, "DG_IMAGE"}, {0x0004, "DG_AUDIO"}};

constexpr Name kArguments[] = {
    {DAT_NULL, "DAT_NULL"},
    {DAT_CAPABILITY, "DAT_CAPABILITY"},
    {DAT_EVENT, "DAT_EVENT"},
    {DAT_IDENTITY, "DAT_IDENTITY"},
    {DAT_PARENT, "DAT_PARENT"},
    {DAT_PENDINGXFERS, "DAT_PENDINGXFERS"},
    {DAT_STATUS, "DAT_STATUS"},
    {DAT_USERINTERFACE, "DAT_USERINTERFACE"},
    {DAT_IMAGEINFO, "DAT_IMAGEINFO"},
    {DAT_IMAGEMEMXFER, "DAT_IMAGEMEMXFER"},
    {DAT_IMAGENATIVEXFER, "DAT_IMAGENATIVEXFER"},
    {DAT_IMAGEFILEXFER, "DAT_IMAGEFILEXFER"},
    {DAT_SETUPMEMXFER, "DAT_SETUPMEMXFER"},
    {DAT_SETUPFILEXFER, "DAT_SETUPFILEXFER"},
    {DAT_STATUSUTF8, "DAT_STATUSUTF8"},
    {DAT_IMAGELAYOUT, "DAT_IMAGELAYOUT"},
    {DAT_ENTRYPOINT, "DAT_ENTRYPOINT"},
};

constexpr Name kMessages[] = {
    {MSG_NULL, "MSG_NULL"},
    {MSG_GET, "MSG_GET"},
    {MSG_GETCURRENT, "MSG_GETCURRENT"},
    {MSG_GETDEFAULT, "MSG_GETDEFAULT"},
    {MSG_SET, "MSG_SET"},
    {MSG_RESET, "MSG_RESET"},
    {MSG_QUERYSUPPORT, "MSG_QUERYSUPPORT"},
    {MSG_XFERREADY, "MSG_XFERREADY"},
    {MSG_CLOSEDSREQ, "MSG_CLOSEDSREQ"},
    {MSG_DEVICEEVENT, "MSG_DEVICEEVENT"},
    {MSG_OPENDSM, "MSG_OPENDSM"},
    {MSG_CLOSEDSM, "MSG_CLOSEDSM"},
    {MSG_OPENDS, "MSG_OPENDS"},
    {MSG_CLOSEDS, "MSG_CLOSEDS"},
    {MSG_USERSELECT, "MSG_USERSELECT"},
    {MSG_DISABLEDS, "MSG_DISABLEDS"},
    {MSG_ENABLEDS, "MSG_ENABLEDS"},
    {MSG_PROCESSEVENT, "MSG_PROCESSEVENT"},
    {MSG_ENDXFER, "MSG_ENDXFER"},
    {MSG_RESETALL, "MSG_RESETALL"},
};

constexpr Name kReturnCodes[] = {
    {TWRC_SUCCESS, "TWRC_SUCCESS"},   {TWRC_FAILURE, "TWRC_FAILURE"},   {TWRC_CHECKSTATUS, "TWRC_CHECKSTATUS"},
    {TWRC_CANCEL, "TWRC_CANCEL"},     {TWRC_DSEVENT, "TWRC_DSEVENT"},   {TWRC_NOTDSEVENT, "TWRC_NOTDSEVENT"},
    {TWRC_XFERDONE, "TWRC_XFERDONE"}, {TWRC_ENDOFLIST, "TWRC_ENDOFLIST"},
};

constexpr Name kConditionCodes[] = {
    {TWCC_SUCCESS, "TWCC_SUCCESS"},
    {TWCC_BUMMER, "TWCC_BUMMER"},
    {TWCC_LOWMEMORY, "TWCC_LOWMEMORY"},
    {TWCC_OPERATIONERROR, "TWCC_OPERATIONERROR"},
    {TWCC_BADCAP, "TWCC_BADCAP"},
    {TWCC_BADPROTOCOL, "TWCC_BADPROTOCOL"},
    {TWCC_BADVALUE, "TWCC_BADVALUE"},
    {TWCC_SEQERROR, "TWCC_SEQERROR"},
    {TWCC_CAPUNSUPPORTED, "TWCC_CAPUNSUPPORTED"},
    {TWCC_CAPBADOPERATION, "TWCC_CAPBADOPERATION"},
    {TWCC_CAPSEQERROR, "TWCC_CAPSEQERROR"},
    {TWCC_PAPERJAM, "TWCC_PAPERJAM"},
    {TWCC_PAPERDOUBLEFEED, "TWCC_PAPERDOUBLEFEED"},
    {TWCC_FILEWRITEERROR, "TWCC_FILEWRITEERROR"},
    {TWCC_NOMEDIA, "TWCC_NOMEDIA"},
};

}  // namespace

std::string DataGroupName(TW_UINT32 dg) { return Lookup(kGroups, dg, "DG_"); }
std::string DataArgumentName(TW_UINT16 dat) { return Lookup(kArguments, dat, "DAT_"); }
std::string MessageName(TW_UINT16 msg) { return Lookup(kMessages, msg, "MSG_"); }
std::string ReturnCodeName(TW_UINT16 rc) { return Lookup(kReturnCodes, rc, "TWRC_"); }
std::string ConditionCodeName(TW_UINT16 cc) { return Lookup(kConditionCodes, cc, "TWCC_"); }

std::string FormatLogLine(const Triplet& triplet, State before, State after, TW_UINT16 rc, TW_UINT16 cc,
                          const std::string& detail) {
    // Built by appending words one by one (GCC 12 misreads chains of operator+ on strings as overlapping copies).
    std::string line;
    auto word = [&line](const std::string& text) {
        if (!line.empty()) line.push_back(' ');
        line.append(text);
    };
    word(DataGroupName(triplet.dg));
    word(DataArgumentName(triplet.dat));
    word(MessageName(triplet.msg));
    word(std::to_string(static_cast<int>(before)));
    line.append("->");
    line.append(std::to_string(static_cast<int>(after)));
    word(ReturnCodeName(rc));
    if (cc != TWCC_SUCCESS) word(ConditionCodeName(cc));
    if (!detail.empty()) word(detail);
    return line;
}

}  // namespace vantrel::scanner
