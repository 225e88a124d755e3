#include "QuickDraw/Ports.h"

namespace {
thread_local GrafPtr t_currentPort = nullptr;
}

void GetPort(GrafPtr* port) {
    if (port != nullptr) {
        *port = t_currentPort;
    }
}

void SetPort(GrafPtr port) {
    t_currentPort = port;
}

Rect* GetPortBounds(CGrafPtr port, Rect* rect) {
    if (port != nullptr && rect != nullptr) {
        *rect = port->portBounds;
    }
    return rect;
}
