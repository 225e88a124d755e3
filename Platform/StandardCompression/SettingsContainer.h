// Settings containers of the standard compression components: the root
// holds a version atom ('vers': component version, flags, reserved; 8
// bytes, big-endian) and one group atom ('vide' or 'soun') whose leaf atoms
// each hold one setting as big-endian fields.  Used by the
// StandardCompression sources only.
#pragma once

#include <map>
#include <span>
#include <vector>

#include "MovieToolbox/QTAtomContainer.h"

namespace sc {

using SettingsAtoms = std::map<QTAtomType, std::vector<UInt8>>;

// A new container holding the version and the group with these atoms.
OSErr WriteSettingsContainer(QTAtomType group, long componentVersion, const SettingsAtoms& atoms,
                             QTAtomContainer* container);

// The leaf atoms of the group (ID 1 of each type).  invalidAtomContainerErr
// for a damaged container or one without the group; nilHandleErr for none.
OSErr ReadSettingsContainer(QTAtomContainer container, QTAtomType group, SettingsAtoms& atoms);

}  // namespace sc
