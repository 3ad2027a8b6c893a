// The platform: what Windows and the application framework used to provide.
#pragma once

#include "cmddll3/platform/windef.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "cmddll3/platform/gdi.h"
#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/gdi_devices.h"
#include "cmddll3/platform/d2d.h"
#include "cmddll3/platform/resources.h"
#include "cmddll3/platform/globalmem.h"
