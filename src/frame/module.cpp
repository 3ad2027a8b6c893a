// The module frame of libcmddll3.so: the application object and the steps run
// when the library is loaded into a process and unloaded from it.
#include "cmddll3/platform/resources.h"
#include "frame/state.h"

namespace cmd::frame {
namespace {

// The application object: one instance, created with no application name,
// adding nothing to the framework's default start and stop.
class CCmdDll3App {
 public:
  bool InitInstance() { return true; }
  int ExitInstance() { return 0; }
};

// Both live from load to unload. They are plain pointers, not objects with
// static destructors, so that their end is the unload step alone, whichever
// order the runtime runs exit handlers in.
CCmdDll3App* g_app = nullptr;
// The state starts empty and is created on first use, so that no other
// static object can see it unconstructed.
State* g_state = nullptr;
// The module's handle in the platform's resource registry.
HINSTANCE g_module = nullptr;

}  // namespace

State& GetState() {
  if (!g_state) g_state = new State();
  return *g_state;
}

// Process attach: create the application object and run its start, then
// join the resource chain as an extension module, so that look-ups made by
// the host search this module too.
__attribute__((constructor)) static void ModuleAttach() {
  GetState();
  g_app = new CCmdDll3App();
  if (!g_app->InitInstance()) {
    g_app->ExitInstance();
    delete g_app;
    g_app = nullptr;
    return;
  }
  g_module = cmd::res::NewModuleHandle();
  cmd::res::AddToChain(g_module);
}

// Process detach: run the application's stop and release the state.
__attribute__((destructor)) static void ModuleDetach() {
  if (g_module) cmd::res::RemoveModule(g_module);
  g_module = nullptr;
  if (g_app) g_app->ExitInstance();
  delete g_app;
  g_app = nullptr;
  delete g_state;
  g_state = nullptr;
}

}  // namespace cmd::frame
