// What VantrelScan.dll shares across its objects: its handle, its lock count and its type library.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace vantrel::scan_module {

void SetInstance(HINSTANCE instance) noexcept;
std::wstring Path();

// Objects alive plus class-object locks; the module may unload only at zero.
void Lock() noexcept;
void Unlock() noexcept;
bool InUse() noexcept;

// The type information of one of the library's types, from the module's own "TYPELIB" resource,
// which is loaded once and kept until DropTypeLibrary.
HRESULT TypeInfoOf(REFGUID type, ITypeInfo** typeInfo) noexcept;
// Gives the library back while COM may still be called (never while the process ends).
void DropTypeLibrary() noexcept;

}  // namespace vantrel::scan_module
