// Resources of modules: the platform's stand-in for the resource sections of
// Windows executables and libraries.
//
// A host (or a test) registers the resources of a module under the module's
// handle, a type and a name, each either an integer id (MAKEINTRESOURCEW) or
// a string; string names match with ASCII letters folded, as on Windows, and
// "#123" names the integer id 123. The framework's resource chain
// (AfxFindResourceHandle) is the ordered list of modules searched when no
// module is named: the program first, then the extension modules in the
// order they joined.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/windef.h"

// Errors of the look-up functions.
constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

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
// registered entry (ERROR_RESOURCE_NAME_NOT_FOUND when there is none);
// LoadResource gives it back as an HGLOBAL whose LockResource is the data,
// which stays valid until the resource is replaced or unregistered.
CMD_PLATFORM_API HRSRC FindResourceW(HINSTANCE module, LPCWSTR name, LPCWSTR type);
CMD_PLATFORM_API HGLOBAL LoadResource(HINSTANCE module, HRSRC resource);
CMD_PLATFORM_API LPVOID LockResource(HGLOBAL resource);
CMD_PLATFORM_API DWORD SizeofResource(HINSTANCE module, HRSRC resource);
// The first module of the resource chain holding (name, type), else the
// first module of the chain (as the framework falls back), or null.
CMD_PLATFORM_API HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type);

namespace cmd::res {

// A fresh module handle for a module that exists only in the registry (for
// the host program or tests).
CMD_PLATFORM_API HINSTANCE NewModuleHandle();

// Registers (or replaces) a resource; returns false for a null module.
CMD_PLATFORM_API bool Register(HINSTANCE module, LPCWSTR type, LPCWSTR name, std::string bytes);
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
