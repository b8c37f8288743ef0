// The title every message box of the program carries, and the window's own names.
#pragma once

namespace demo {

inline constexpr wchar_t kTitle[] = L"Vantrel Demo";
inline constexpr wchar_t kWindowClass[] = L"FormVantrelDemo";
inline constexpr wchar_t kIniSection[] = L"FormVantrelDemo";

}  // namespace demo
