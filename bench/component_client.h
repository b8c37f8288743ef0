// Vantrel.dll as an early-bound client meets it: loaded from the program's directory, one TWAIN
// object from its class object, calls through the vtable.
#pragma once

#include "win32/com_apartment.h"
#include "tests/fixtures/loaded_server.h"
#include "tests/fixtures/message_box_watcher.h"
#include "win32/win32_owners.h"

#include <string>

namespace bench {

class ComponentClient {
public:
    // Creates the object (its "Initialize()" box is answered) with a hidden window of ours as owner.
    ComponentClient();
    ComponentClient(const ComponentClient&) = delete;
    ComponentClient& operator=(const ComponentClient&) = delete;

    explicit operator bool() const { return static_cast<bool>(object_); }

    bool Create();
    void Destroy();
    // 1 done, 0 cancelled, -1 failed; -2 when the call itself failed. An empty file means the clipboard.
    short Acquire(const std::wstring& file);

private:
    vantrel::ComApartment apartment_;
    fixtures::MessageBoxWatcher boxes_;
    vantrel::UniqueWindow owner_;  // outlives the object it owns
    fixtures::LoadedServer server_;
    vantrel::ComPtr<_TWAIN> object_;  // released before the server is unloaded
};

}  // namespace bench
