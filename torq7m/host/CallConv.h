// The one calling convention of everything that crosses the library's
// boundary: exports, host functions, module handlers and process functions,
// the menu handler and the driver's entry points.
#pragma once

#define TORQ7_CALL __stdcall
