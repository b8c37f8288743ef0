// The benchmark's client of Vantrel.dll.
#include "bench/component_client.h"

namespace bench {

ComponentClient::ComponentClient()
    : owner_(::CreateWindowW(L"STATIC", L"Vantrel benchmark", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr)),
      object_(server_.NewObject()) {
    if (!object_) return;
    object_->put_OwnerHwnd(static_cast<long>(reinterpret_cast<std::intptr_t>(owner_.get())));
    object_->put_Interface(VARIANT_FALSE);
}

bool ComponentClient::Create() {
    VARIANT_BOOL created = VARIANT_FALSE;
    return object_ && SUCCEEDED(object_->Create(&created)) && created == VARIANT_TRUE;
}

void ComponentClient::Destroy() {
    if (object_) object_->Destroy();
}

short ComponentClient::Acquire(const std::wstring& file) {
    if (!object_) return -2;
    const vantrel::UniqueBstr path = vantrel::MakeBstr(file);
    short result = -2;
    if (FAILED(object_->Acquire(path.get(), &result))) return -2;
    return result;
}

}  // namespace bench
