// The Core Foundation subset: objects, strings and data.
#pragma once

#include "CoreFoundation/CFBase.h"
#include "CoreFoundation/CFData.h"
#include "CoreFoundation/CFString.h"
