// Result codes of the image codec and QT atom calls of the host API, with the
// values the host gives them.
#pragma once

#include "Base/MacTypes.h"

enum : OSErr {
    // Image Compression Manager and codecs.
    codecErr = -8960,
    noCodecErr = -8961,  // no codec component for the codec type
    codecSizeErr = -8963,
    codecImageBufErr = -8965,
    codecSpoolErr = -8966,
    codecBadDataErr = -8969,
    codecConditionErr = -8972,

    // QT atoms and atom containers.
    cannotFindAtomErr = -2101,
    notLeafAtomErr = -2102,
    atomsNotOfSameTypeErr = -2103,
    atomIndexInvalidErr = -2104,
    duplicateAtomTypeAndIDErr = -2105,
    invalidAtomErr = -2106,
    invalidAtomContainerErr = -2107,
    invalidAtomTypeErr = -2108,
    cannotBeLeafAtomErr = -2109,
};
