// What the whole module shares: its own handle, its lock count, and its type library.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace vantrel::module {

void SetInstance(HINSTANCE instance) noexcept;

// Full path of Vantrel.dll itself.
std::wstring Path();

// Objects alive plus class-object locks held; the module may unload only at zero.
void Lock() noexcept;
void Unlock() noexcept;
bool InUse() noexcept;

// The type information of _TWAIN, loaded from the module's own "TYPELIB" resource once and
// kept until DropTypeInfo.
HRESULT TwainTypeInfo(ITypeInfo** typeInfo) noexcept;
// Gives the kept type information back; the next TwainTypeInfo loads it again. Only while COM
// may still be called: never when the process is ending.
void DropTypeInfo() noexcept;

}  // namespace vantrel::module
