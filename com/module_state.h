// What the whole module shares: its own handle, its lock count and its type library. This
// library is linked into each server, so each DLL has its own.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace vantrel::com {

void SetInstance(HINSTANCE instance) noexcept;
// Full path of the DLL itself.
std::wstring ModulePath();

// Objects alive plus class-object locks held; the module may unload only at zero.
void Lock() noexcept;
void Unlock() noexcept;
bool InUse() noexcept;

// The type information of one of the library's types, from the module's own "TYPELIB" resource,
// loaded once and kept, with each type information handed out, until DropTypeLibrary.
HRESULT TypeInfoOf(REFGUID type, ITypeInfo** typeInfo) noexcept;
// Gives the library back; the next TypeInfoOf loads it again. Only while COM may still be called:
// never when the process is ending.
void DropTypeLibrary() noexcept;

}  // namespace vantrel::com
