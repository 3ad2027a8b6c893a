// The registry of module resources and the framework's resource chain.
#include "cmddll3/platform/resources.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace cmd::res {
namespace {

// A resource name or type: an integer id, or a string with ASCII letters
// upper-cased so that look-ups ignore their case.
struct Name {
  bool isId = false;
  WORD id = 0;
  std::u16string text;
  auto operator<=>(const Name&) const = default;
};

bool ParseNumberName(std::u16string_view s, WORD& id) {
  if (s.size() < 2 || s.size() > 6 || s[0] != u'#') return false;
  unsigned v = 0;
  for (char16_t c : s.substr(1)) {
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + unsigned(c - u'0');
  }
  if (v > 0xFFFF) return false;
  id = WORD(v);
  return true;
}

Name NameOf(LPCWSTR name) {
  Name n;
  if (IS_INTRESOURCE(name)) {
    n.isId = true;
    n.id = WORD(reinterpret_cast<std::uintptr_t>(name));
    return n;
  }
  std::u16string s(name);
  if (ParseNumberName(s, n.id)) {
    n.isId = true;
    return n;
  }
  for (auto& c : s)
    if (c >= u'a' && c <= u'z') c = char16_t(c - (u'a' - u'A'));
  n.text = std::move(s);
  return n;
}

using Key = std::tuple<HINSTANCE, Name, Name>;  // module, type, name

struct Entry {
  HINSTANCE module;
  std::string bytes;
};

struct Registry {
  std::mutex mutex;
  std::map<Key, std::unique_ptr<Entry>> entries;
  std::vector<HINSTANCE> chain;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // lives as long as the process
  return *registry;
}

Entry* FindLocked(Registry& r, HINSTANCE module, LPCWSTR type, LPCWSTR name) {
  auto it = r.entries.find(Key{module, NameOf(type), NameOf(name)});
  return it == r.entries.end() ? nullptr : it->second.get();
}

}  // namespace

HINSTANCE NewModuleHandle() {
  // Handles that no pointer can collide with, like the module bases of
  // Windows: aligned, far from null.
  static std::atomic<std::uintptr_t> next{0x7A000000};
  return reinterpret_cast<HINSTANCE>(next.fetch_add(0x10000));
}

bool Register(HINSTANCE module, LPCWSTR type, LPCWSTR name, std::string bytes) {
  if (!module || !type || !name) return false;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.entries[Key{module, NameOf(type), NameOf(name)}] =
      std::make_unique<Entry>(Entry{module, std::move(bytes)});
  return true;
}

bool Unregister(HINSTANCE module, LPCWSTR type, LPCWSTR name) {
  if (!module || !type || !name) return false;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.entries.erase(Key{module, NameOf(type), NameOf(name)}) > 0;
}

void RemoveModule(HINSTANCE module) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::erase_if(r.entries, [module](const auto& e) { return std::get<0>(e.first) == module; });
  std::erase(r.chain, module);
}

const std::string* Find(HINSTANCE module, LPCWSTR type, LPCWSTR name) {
  if (!module || !type || !name) return nullptr;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  Entry* e = FindLocked(r, module, type, name);
  return e ? &e->bytes : nullptr;
}

void AddToChain(HINSTANCE module) {
  if (!module) return;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (std::find(r.chain.begin(), r.chain.end(), module) == r.chain.end())
    r.chain.push_back(module);
}

void RemoveFromChain(HINSTANCE module) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::erase(r.chain, module);
}

std::vector<HINSTANCE> Chain() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.chain;
}

}  // namespace cmd::res

using namespace cmd::res;

HRSRC FindResourceW(HINSTANCE module, LPCWSTR name, LPCWSTR type) {
  if (!module || !name || !type) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  Entry* e = FindLocked(r, module, type, name);
  if (!e) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return reinterpret_cast<HRSRC>(e);
}

HGLOBAL LoadResource(HINSTANCE, HRSRC resource) { return resource; }

LPVOID LockResource(HGLOBAL resource) {
  if (!resource) return nullptr;
  return static_cast<Entry*>(resource)->bytes.data();
}

DWORD SizeofResource(HINSTANCE, HRSRC resource) {
  if (!resource) return 0;
  return static_cast<DWORD>(reinterpret_cast<Entry*>(resource)->bytes.size());
}

HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (name && type)
    for (HINSTANCE module : r.chain)
      if (FindLocked(r, module, type, name)) return module;
  return r.chain.empty() ? nullptr : r.chain.front();
}
