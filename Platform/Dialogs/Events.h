// Events as a modal dialog's filter sees them.
#pragma once

#include "Base/MacTypes.h"

typedef UInt16 EventKind;
typedef UInt16 EventModifiers;

enum : EventKind {
    nullEvent = 0,
    mouseDown = 1,
    mouseUp = 2,
    keyDown = 3,
    keyUp = 4,
    autoKey = 5,    // a key held down repeats
    updateEvt = 6,  // message: the WindowRef to redraw
    activateEvt = 8,
    osEvt = 15,
};

enum : EventModifiers {
    activeFlag = 0x0001,
    btnState = 0x0080,
    cmdKey = 0x0100,
    shiftKey = 0x0200,
    alphaLock = 0x0400,
    optionKey = 0x0800,
    controlKey = 0x1000,
};

// Key events: the character code is in the low byte of the message.
enum : unsigned long {
    charCodeMask = 0x000000FF,
    keyCodeMask = 0x0000FF00,
};
enum : UInt8 {
    kEnterCharCode = 3,
    kReturnCharCode = 13,
    kEscapeCharCode = 27,
};

struct EventRecord {
    EventKind what;
    unsigned long message;  // wide enough for a WindowRef
    UInt32 when;
    Point where;
    EventModifiers modifiers;
};
