// The registry of module resources and the framework's resource chain.
#include "cmddll3/platform/resources.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <map>
#include <memory>
#include <mutex>

#include "cmddll3/platform/cstring.h"

namespace cmd::res {
namespace {

// A resource name or type: an integer id or an upper-cased string (Windows
// compares string names without regard to ASCII case).
struct Name {
  bool isId = false;
  WORD id = 0;
  std::u16string text;
  auto operator<=>(const Name&) const = default;
};

Name NameOf(LPCWSTR name) {
  Name n;
  if (IS_INTRESOURCE(name)) {
    n.isId = true;
    n.id = WORD(reinterpret_cast<std::uintptr_t>(name));
    return n;
  }
  std::u16string s(name);
  // "#123" names the integer id 123.
  if (s.size() > 1 && s[0] == u'#' &&
      std::all_of(s.begin() + 1, s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }) &&
      s.size() <= 6) {
    unsigned v = 0;
    for (char16_t c : s.substr(1)) v = v * 10 + unsigned(c - u'0');
    if (v <= 0xFFFF) {
      n.isId = true;
      n.id = WORD(v);
      return n;
    }
  }
  for (auto& c : s)
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
  n.text = std::move(s);
  return n;
}

struct Entry {
  std::string bytes;
};

using Key = std::tuple<HINSTANCE, Name, Name>;  // module, type, name

struct Registry {
  std::mutex mutex;
  std::map<Key, std::unique_ptr<Entry>> entries;
  std::vector<HINSTANCE> chain;
  std::uintptr_t nextModule = 0x10000;
};

Registry& Reg() {
  static auto* r = new Registry;
  return *r;
}

Entry* FindEntry(HINSTANCE module, LPCWSTR type, LPCWSTR name) {
  if (!module || !type || !name) return nullptr;
  auto& r = Reg();
  auto it = r.entries.find(Key{module, NameOf(type), NameOf(name)});
  return it == r.entries.end() ? nullptr : it->second.get();
}

bool IsEntry(const void* p) {
  for (auto& [k, e] : Reg().entries)
    if (e.get() == p) return true;
  return false;
}

}  // namespace

HINSTANCE NewModuleHandle() {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.nextModule += 0x10000;
  return reinterpret_cast<HINSTANCE>(r.nextModule);
}

bool Register(HINSTANCE module, LPCWSTR type, LPCWSTR name, std::string bytes) {
  if (!module || !type || !name) return false;
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.entries[Key{module, NameOf(type), NameOf(name)}] =
      std::make_unique<Entry>(Entry{std::move(bytes)});
  return true;
}

bool RegisterBitmap(HINSTANCE module, LPCWSTR name, std::string_view bytes) {
  // A BMP file carries a 14-byte file header before the packed DIB.
  if (bytes.size() >= 14 && bytes[0] == 'B' && bytes[1] == 'M') bytes.remove_prefix(14);
  if (bytes.size() < 4) return false;
  std::uint32_t headerSize = std::uint8_t(bytes[0]) | (std::uint8_t(bytes[1]) << 8) |
                             (std::uint8_t(bytes[2]) << 16) | (std::uint32_t(std::uint8_t(bytes[3])) << 24);
  if (headerSize < 12 || headerSize > 124) return false;
  return Register(module, RT_BITMAP, name, std::string(bytes));
}

bool RegisterString(HINSTANCE module, UINT id, std::u16string_view text) {
  std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  return Register(module, RT_STRING, MAKEINTRESOURCEW(id), std::move(bytes));
}

bool Unregister(HINSTANCE module, LPCWSTR type, LPCWSTR name) {
  if (!module || !type || !name) return false;
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.entries.erase(Key{module, NameOf(type), NameOf(name)}) > 0;
}

void RemoveModule(HINSTANCE module) {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::erase_if(r.entries, [&](const auto& kv) { return std::get<0>(kv.first) == module; });
  std::erase(r.chain, module);
}

const std::string* Find(HINSTANCE module, LPCWSTR type, LPCWSTR name) {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  Entry* e = FindEntry(module, type, name);
  return e ? &e->bytes : nullptr;
}

void AddToChain(HINSTANCE module) {
  if (!module) return;
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (std::find(r.chain.begin(), r.chain.end(), module) == r.chain.end())
    r.chain.push_back(module);
}

void RemoveFromChain(HINSTANCE module) {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::erase(r.chain, module);
}

std::vector<HINSTANCE> Chain() {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.chain;
}

}  // namespace cmd::res

using namespace cmd::res;

HRSRC FindResourceW(HINSTANCE module, LPCWSTR name, LPCWSTR type) {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  return reinterpret_cast<HRSRC>(FindEntry(module, type, name));
}

HGLOBAL LoadResource(HINSTANCE, HRSRC resource) {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  return IsEntry(resource) ? static_cast<HGLOBAL>(resource) : nullptr;
}

LPVOID LockResource(HGLOBAL resource) {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!IsEntry(resource)) return nullptr;
  return static_cast<Entry*>(resource)->bytes.data();
}

DWORD SizeofResource(HINSTANCE, HRSRC resource) {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!IsEntry(resource)) return 0;
  return DWORD(reinterpret_cast<Entry*>(resource)->bytes.size());
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int size) {
  if (!buffer) return 0;
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  Entry* e = FindEntry(module, RT_STRING, MAKEINTRESOURCEW(id));
  if (!e) {
    if (size > 0) buffer[0] = 0;
    return 0;
  }
  int length = int(e->bytes.size() / 2);
  if (size == 0) {
    // The read-only string itself (not terminated), as Windows gives it.
    *reinterpret_cast<const char16_t**>(buffer) = reinterpret_cast<const char16_t*>(e->bytes.data());
    return length;
  }
  if (size < 0) return 0;
  int n = std::min(length, size - 1);
  std::memcpy(buffer, e->bytes.data(), std::size_t(n) * 2);
  buffer[n] = 0;
  return n;
}

HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type) {
  auto& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (HINSTANCE m : r.chain)
    if (FindEntry(m, type, name)) return m;
  return r.chain.empty() ? nullptr : r.chain.front();
}
