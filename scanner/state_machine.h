// The TWAIN states a data source lives in and which triplets each state admits (pure logic).
#pragma once

#include "scanner/twain_source_records.h"

namespace vantrel::scanner {

// The states as TWAIN numbers them; states 1 and 2 belong to the DSM and never reach a source.
enum class State : int {
    Closed = 3,        // loaded (or not yet opened) by the DSM
    Open = 4,          // capabilities may be negotiated
    Enabled = 5,       // acquiring: the user interface (if any) is up
    TransferReady = 6, // MSG_XFERREADY has been delivered
    Transferring = 7,  // an image has been handed over and awaits MSG_ENDXFER
};

struct Triplet {
    twain::TW_UINT32 dg;
    twain::TW_UINT16 dat;
    twain::TW_UINT16 msg;
};

enum class Admission {
    Admitted,
    WrongState,   // a triplet this source knows, sent in a state where it is not allowed
    Unsupported,  // a triplet this source does not implement at all
};

// Whether `triplet` may be served in `state`. The table behind it is the one place that says
// which triplets this source implements and in which states the protocol allows each.
Admission Admit(const Triplet& triplet, State state);

}  // namespace vantrel::scanner
