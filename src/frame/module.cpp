// The module frame of libcmddll3.so: the application object and the steps run
// when the library is loaded into a process and unloaded from it.
#include <memory>

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

std::unique_ptr<CCmdDll3App> g_app;
// The state lives for the whole process and starts empty; it is created on
// first use so that no other static object can see it unconstructed.
State* g_state = nullptr;

}  // namespace

State& GetState() {
  if (!g_state) g_state = new State();
  return *g_state;
}

// Process attach: create the application object and run its start. The
// module keeps no resources of its own beyond a version record, so there is
// nothing to add to the resource chain that callers search.
__attribute__((constructor)) static void ModuleAttach() {
  GetState();
  g_app = std::make_unique<CCmdDll3App>();
  if (!g_app->InitInstance()) {
    g_app->ExitInstance();
    g_app.reset();
  }
}

// Process detach: run the application's stop and release the state.
__attribute__((destructor)) static void ModuleDetach() {
  if (g_app) g_app->ExitInstance();
  g_app.reset();
  delete g_state;
  g_state = nullptr;
}

}  // namespace cmd::frame
