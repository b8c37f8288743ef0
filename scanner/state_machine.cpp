// Which triplets each TWAIN state admits.
#include "scanner/state_machine.h"

namespace vantrel::scanner {
namespace {

using namespace twain;

struct Rule {
    Triplet triplet;
    State lowest;
    State highest;
};

// The states in which the protocol allows each triplet a source receives. Capabilities are set
// only while open (4): once enabled the source is acquiring with what was negotiated. The
// image information may be read before and during the transfer (6, 7); the image itself is
// handed over once (6 -> 7). MSG_ENDXFER ends a transfer (7) or refuses the pending one (6);
// MSG_RESET drops all pending transfers and only makes sense before one started (6).
constexpr Rule kRules[] = {
    {{DG_CONTROL, DAT_IDENTITY, MSG_GET}, State::Closed, State::Transferring},
    {{DG_CONTROL, DAT_IDENTITY, MSG_OPENDS}, State::Closed, State::Closed},
    {{DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS}, State::Open, State::Open},
    {{DG_CONTROL, DAT_STATUS, MSG_GET}, State::Open, State::Transferring},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_GET}, State::Open, State::Transferring},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT}, State::Open, State::Transferring},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_SET}, State::Open, State::Open},
    {{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS}, State::Open, State::Open},
    {{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}, State::Enabled, State::Enabled},
    {{DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT}, State::Enabled, State::Transferring},
    {{DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER}, State::TransferReady, State::Transferring},
    {{DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET}, State::TransferReady, State::TransferReady},
    {{DG_IMAGE, DAT_IMAGEINFO, MSG_GET}, State::TransferReady, State::Transferring},
    {{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET}, State::TransferReady, State::TransferReady},
    // TWAIN 2: the DSM hands over its entry points before opening the source.
    {{DG_CONTROL, DAT_ENTRYPOINT, MSG_SET}, State::Closed, State::Open},
    {{DG_CONTROL, DAT_STATUSUTF8, MSG_GET}, State::Open, State::Transferring},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_GETDEFAULT}, State::Open, State::Transferring},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_QUERYSUPPORT}, State::Open, State::Transferring},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_RESET}, State::Open, State::Open},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL}, State::Open, State::Open},
    {{DG_CONTROL, DAT_PENDINGXFERS, MSG_GET}, State::Open, State::Transferring},
    {{DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET}, State::Open, State::TransferReady},
    {{DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET}, State::Open, State::TransferReady},
    {{DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETDEFAULT}, State::Open, State::TransferReady},
    {{DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET}, State::Open, State::TransferReady},
    {{DG_CONTROL, DAT_SETUPFILEXFER, MSG_RESET}, State::Open, State::Open},
    {{DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET}, State::Open, State::TransferReady},
    {{DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETDEFAULT}, State::Open, State::TransferReady},
    {{DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET}, State::Open, State::Open},
    {{DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET}, State::Open, State::Open},
    // A memory transfer is many strips: the first moves 6 -> 7, the rest follow in 7.
    {{DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET}, State::TransferReady, State::Transferring},
    {{DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET}, State::TransferReady, State::TransferReady},
    // The profile of the page about to be transferred or in transfer.
    {{DG_IMAGE, DAT_ICCPROFILE, MSG_GET}, State::TransferReady, State::Transferring},
};

bool Same(const Triplet& a, const Triplet& b) { return a.dg == b.dg && a.dat == b.dat && a.msg == b.msg; }

}  // namespace

Admission Admit(const Triplet& triplet, State state) {
    for (const Rule& rule : kRules) {
        if (!Same(rule.triplet, triplet)) continue;
        if (state < rule.lowest || state > rule.highest) return Admission::WrongState;
        return Admission::Admitted;
    }
    return Admission::Unsupported;
}

}  // namespace vantrel::scanner
