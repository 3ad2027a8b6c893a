// Global memory blocks.
#include "cmddll3/platform/globalmem.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

struct Block {
  SIZE_T size = 0;
  int locks = 0;
  bool fixed = false;
  unsigned char* data = nullptr;
};

struct Blocks {
  std::mutex mutex;
  std::unordered_map<HGLOBAL, Block> byHandle;
};

Blocks& All() {
  static auto* b = new Blocks;
  return *b;
}

// Moveable handles are distinct from every address: odd numbers never
// returned by malloc.
HGLOBAL NextMoveableHandle() {
  static std::uintptr_t next = 0x1001;
  next += 2;
  return reinterpret_cast<HGLOBAL>(next);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  Block b;
  b.size = bytes;
  b.fixed = !(flags & GMEM_MOVEABLE);
  b.data = static_cast<unsigned char*>(std::malloc(bytes ? bytes : 1));
  if (!b.data) return nullptr;
  if (flags & GMEM_ZEROINIT) std::memset(b.data, 0, bytes);
  auto& all = All();
  std::lock_guard<std::mutex> lock(all.mutex);
  HGLOBAL h = b.fixed ? static_cast<HGLOBAL>(b.data) : NextMoveableHandle();
  all.byHandle.emplace(h, b);
  return h;
}

LPVOID GlobalLock(HGLOBAL block) {
  auto& all = All();
  std::lock_guard<std::mutex> lock(all.mutex);
  auto it = all.byHandle.find(block);
  if (it == all.byHandle.end()) return nullptr;
  if (!it->second.fixed) ++it->second.locks;
  return it->second.data;
}

BOOL GlobalUnlock(HGLOBAL block) {
  auto& all = All();
  std::lock_guard<std::mutex> lock(all.mutex);
  auto it = all.byHandle.find(block);
  if (it == all.byHandle.end() || it->second.fixed || it->second.locks == 0) return FALSE;
  return --it->second.locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  auto& all = All();
  std::lock_guard<std::mutex> lock(all.mutex);
  auto it = all.byHandle.find(block);
  if (it == all.byHandle.end()) return block;
  std::free(it->second.data);
  all.byHandle.erase(it);
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL block) {
  auto& all = All();
  std::lock_guard<std::mutex> lock(all.mutex);
  auto it = all.byHandle.find(block);
  return it == all.byHandle.end() ? 0 : it->second.size;
}
