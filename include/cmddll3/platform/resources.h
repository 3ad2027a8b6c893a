// Resources of modules: the platform's stand-in for the resource sections of
// Windows executables and libraries.
//
// A host (or a test) registers the resources of a module under the module's
// handle, a type and a name, each either an integer id (MAKEINTRESOURCEW) or
// a string; string names match with ASCII letters folded, as on Windows. The
// framework's resource chain (AfxFindResourceHandle) is the ordered list of
// modules searched when no module is named: the program first, then the
// extension modules in the order they joined.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/windef.h"

// Integer resource names and types.
inline LPCWSTR MAKEINTRESOURCEW(UINT id) {
  return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id)));
}
inline bool IS_INTRESOURCE(LPCWSTR name) {
  return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}

inline const LPCWSTR RT_BITMAP = MAKEINTRESOURCEW(2);
inline const LPCWSTR RT_MENU = MAKEINTRESOURCEW(4);
inline const LPCWSTR RT_STRING = MAKEINTRESOURCEW(6);
inline const LPCWSTR RT_RCDATA = MAKEINTRESOURCEW(10);

// The Windows look-up functions over the registry. HRSRC points at the
// registered entry; LoadResource gives it back as an HGLOBAL whose
// LockResource is the data (never freed: FreeResource does nothing).
CMD_PLATFORM_API HRSRC FindResourceW(HINSTANCE module, LPCWSTR name, LPCWSTR type);
CMD_PLATFORM_API HGLOBAL LoadResource(HINSTANCE module, HRSRC resource);
CMD_PLATFORM_API LPVOID LockResource(HGLOBAL resource);
CMD_PLATFORM_API DWORD SizeofResource(HINSTANCE module, HRSRC resource);
CMD_PLATFORM_API BOOL FreeResource(HGLOBAL resource);
// String table entry id of the module, truncated to size - 1 units and
// terminated; returns its length, 0 when absent. size 0 stores a read-only
// pointer to the string in *buffer and returns its length.
CMD_PLATFORM_API int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int size);
// The first module of the resource chain holding (name, type), else the
// first module of the chain (as the framework falls back), or null.
CMD_PLATFORM_API HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type);

namespace cmd::res {

// A fresh module handle for a module that exists only in the registry (for
// the host program or tests).
CMD_PLATFORM_API HINSTANCE NewModuleHandle();

// Registers (or replaces) a resource; returns false for a null module.
CMD_PLATFORM_API bool Register(HINSTANCE module, LPCWSTR type, LPCWSTR name, std::string bytes);
// A bitmap from the bytes of a BMP file or of a packed DIB; false when they
// are neither.
CMD_PLATFORM_API bool RegisterBitmap(HINSTANCE module, LPCWSTR name, std::string_view bytes);
CMD_PLATFORM_API bool RegisterString(HINSTANCE module, UINT id, std::u16string_view text);
CMD_PLATFORM_API bool Unregister(HINSTANCE module, LPCWSTR type, LPCWSTR name);
// Forgets every resource of the module and takes it out of the chain.
CMD_PLATFORM_API void RemoveModule(HINSTANCE module);
// The bytes of a resource, or null.
CMD_PLATFORM_API const std::string* Find(HINSTANCE module, LPCWSTR type, LPCWSTR name);

// The resource chain.
CMD_PLATFORM_API void AddToChain(HINSTANCE module);  // at the end; once
CMD_PLATFORM_API void RemoveFromChain(HINSTANCE module);
CMD_PLATFORM_API std::vector<HINSTANCE> Chain();

}  // namespace cmd::res
