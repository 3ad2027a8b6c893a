// The module frame: load and unload steps of libcmddll3.so.
#include "cmddll3/platform/windef.h"
