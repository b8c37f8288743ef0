// The names of TWAIN codes and the one-line record of a triplet the source writes to its log (pure logic).
#pragma once

#include "scanner/state_machine.h"

#include <string>

namespace vantrel::scanner {

// Human-readable names for the log ("DG_CONTROL", "DAT_IDENTITY", "MSG_OPENDS"); unknown
// codes come out in hexadecimal ("DAT_0x1234").
std::string DataGroupName(twain::TW_UINT32 dg);
std::string DataArgumentName(twain::TW_UINT16 dat);
std::string MessageName(twain::TW_UINT16 msg);
std::string ReturnCodeName(twain::TW_UINT16 rc);
std::string ConditionCodeName(twain::TW_UINT16 cc);

// One log line for one triplet: the triplet, the states before and after, the return code,
// the condition code when it is not success (so a sequence error shows up as "TWCC_SEQERROR"),
// and an optional detail such as the notice MSG_PROCESSEVENT handed out.
std::string FormatLogLine(const Triplet& triplet, State before, State after, twain::TW_UINT16 rc,
                          twain::TW_UINT16 cc, const std::string& detail);

}  // namespace vantrel::scanner
