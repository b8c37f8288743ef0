// Failing the COM way: the thread's error information, as VBA, VBScript and JScript read it.
#include "com/error_info.h"

#include "com/server.h"
#include "win32/win32_owners.h"

#include <oleauto.h>

namespace vantrel::com {

HRESULT RaiseError(REFIID iid, const std::wstring& description, HRESULT status) noexcept {
    ComPtr<ICreateErrorInfo> created;
    if (FAILED(::CreateErrorInfo(created.put()))) return status;
    created->SetGUID(iid);
    created->SetSource(const_cast<LPOLESTR>(ThisServer().errorSource));
    created->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(created->QueryInterface(IID_IErrorInfo, info.put_void()))) ::SetErrorInfo(0, info.get());
    return status;
}

}  // namespace vantrel::com
