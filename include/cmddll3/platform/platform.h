// The platform: what Windows and the application framework used to provide.
#pragma once

#include "cmddll3/platform/windef.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "cmddll3/platform/profile.h"
