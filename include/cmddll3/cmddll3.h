// cmdDll3: the shared utility library of the estimating and invoicing
// application. This umbrella header declares every exported function; the
// families live in the headers included below.
#pragma once

#include "cmddll3/platform/platform.h"
#include "cmddll3/master.h"
#include "cmddll3/settings_scalar.h"
#include "cmddll3/settings_records.h"
#include "cmddll3/settings_print.h"
#include "cmddll3/settings_side.h"
#include "cmddll3/settings_lock.h"
#include "cmddll3/colors.h"
#include "cmddll3/history.h"
#include "cmddll3/fileutil.h"
#include "cmddll3/input.h"
#include "cmddll3/ledger.h"
#include "cmddll3/util_split.h"
#include "cmddll3/util_hankaku.h"
#include "cmddll3/util_money.h"
#include "cmddll3/util_date.h"
#include "cmddll3/util_dentaku.h"
#include "cmddll3/fonts.h"
#include "cmddll3/bitmaps.h"
#include "cmddll3/master_copy.h"
#include "cmddll3/master_table.h"
#include "cmddll3/keihi.h"
#include "cmddll3/smallmst.h"
