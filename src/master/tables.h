// Internal pieces of the derived tables.
#pragma once

#include "cmddll3/platform/cstring.h"

namespace cmd::master {

// Whether the table at tablePath must be rebuilt: true when some "zai*.mst"
// file of the master folder (GetMstDrv(trade, number)) exists and the table
// is missing or not newer than the newest of them. Only the master folder's
// listing and the table's status are looked at; no file is opened.
bool IsTableOutOfDate(const CString& tablePath, int trade, int number);

}  // namespace cmd::master
