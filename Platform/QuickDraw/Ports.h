// Graphics ports: the drawing environment a window owns, and the current
// port that drawing calls use.  Nothing is drawn here; ports only name
// where drawing would go, so code that saves and restores the current port
// behaves as on the host.
#pragma once

#include "Base/MacTypes.h"

struct OpaqueGrafPtr {
    Rect portBounds;
};
typedef OpaqueGrafPtr* GrafPtr;
typedef GrafPtr CGrafPtr;

// The current port belongs to the calling thread; it is null until set.
void GetPort(GrafPtr* port);
void SetPort(GrafPtr port);
Rect* GetPortBounds(CGrafPtr port, Rect* rect);
