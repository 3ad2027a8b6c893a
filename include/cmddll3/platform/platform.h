// The platform: what Windows and the application framework used to provide.
#pragma once

#include "cmddll3/platform/windef.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/winpath.h"
#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/textfile.h"
#include "cmddll3/platform/fileapi.h"
#include "cmddll3/platform/file.h"
#include "cmddll3/platform/filefind.h"
#include "cmddll3/platform/shell.h"
#include "cmddll3/platform/crtfile.h"
