// Fault injection for tests: makes one file step fail while an object lives.
#pragma once

#include <string>

#include "cmddll3/platform/osfile.h"

namespace cmdtest {

// Makes one file step fail with an errno value for the life of the object.
class FailStep {
 public:
  FailStep(cmd::os::FileStep step, int err)
      : previous_(cmd::os::SetFaultHook(
            [step, err](cmd::os::FileStep s, const std::string&) { return s == step ? err : 0; })) {}
  ~FailStep() { cmd::os::SetFaultHook(previous_); }
  FailStep(const FailStep&) = delete;
  FailStep& operator=(const FailStep&) = delete;

 private:
  cmd::os::FaultHook previous_;
};

}  // namespace cmdtest
