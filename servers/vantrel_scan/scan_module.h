// The scanner object still names the module state by its old name; com/ holds it now. Goes once the
// scan job's changes to scanner_object.cpp have landed.
#pragma once

#include "com/module_state.h"

namespace vantrel {

namespace scan_module = com;

}  // namespace vantrel
