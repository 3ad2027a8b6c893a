// Error texts of the Windows C runtime.
#include "cmddll3/platform/crterror.h"

#include <cerrno>

namespace {

// The runtime's message table, indexed by its own error numbers.
constexpr const char16_t* kMessages[] = {
    u"No error", u"Operation not permitted", u"No such file or directory", u"No such process",
    u"Interrupted function call", u"Input/output error", u"No such device or address",
    u"Arg list too long", u"Exec format error", u"Bad file descriptor", u"No child processes",
    u"Resource temporarily unavailable", u"Not enough space", u"Permission denied",
    u"Bad address", u"Unknown error", u"Resource device", u"File exists", u"Improper link",
    u"No such device", u"Not a directory", u"Is a directory", u"Invalid argument",
    u"Too many open files in system", u"Too many open files",
    u"Inappropriate I/O control operation", u"Unknown error", u"File too large",
    u"No space left on device", u"Invalid seek", u"Read-only file system", u"Too many links",
    u"Broken pipe", u"Domain error", u"Result too large", u"Unknown error",
    u"Resource deadlock avoided", u"Unknown error", u"Filename too long", u"No locks available",
    u"Function not implemented", u"Directory not empty", u"Illegal byte sequence",
};

// Host numbers 1 to 34 are the same on both systems; the rest differ.
int ToWindowsErrno(int e) {
  if (e >= 0 && e <= 34) return e;
  switch (e) {
    case EDEADLK: return 36;
    case ENAMETOOLONG: return 38;
    case ENOLCK: return 39;
    case ENOSYS: return 40;
    case ENOTEMPTY: return 41;
    case EILSEQ: return 42;
    default: return -1;
  }
}

}  // namespace

const char16_t* _wcserror(int hostErrno) {
  int e = ToWindowsErrno(hostErrno);
  constexpr int count = static_cast<int>(sizeof kMessages / sizeof kMessages[0]);
  return (e >= 0 && e < count) ? kMessages[e] : u"Unknown error";
}
