// Windows, headless: a window has a port, a title, bounds and a visible flag.
#pragma once

#include "Base/MacTypes.h"
#include "QuickDraw/Ports.h"

struct OpaqueWindowPtr;
typedef OpaqueWindowPtr* WindowRef;
typedef WindowRef WindowPtr;

void ShowWindow(WindowRef window);
void HideWindow(WindowRef window);
Boolean IsWindowVisible(WindowRef window);
CGrafPtr GetWindowPort(WindowRef window);
// Copies the title as a length-prefixed string.
void GetWTitle(WindowRef window, Str255 title);
