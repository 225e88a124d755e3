// The Core Foundation subset: objects, strings, data, file URLs and the
// main bundle.
#pragma once

#include "CoreFoundation/CFBase.h"
#include "CoreFoundation/CFBundle.h"
#include "CoreFoundation/CFData.h"
#include "CoreFoundation/CFString.h"
