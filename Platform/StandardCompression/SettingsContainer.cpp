#include "StandardCompression/SettingsContainer.h"

#include "MovieToolbox/AtomIO.h"
#include "StandardCompression/StandardCompression.h"

namespace sc {
namespace {

constexpr QTAtomID kSettingsAtomID = 1;

OSErr Fill(QTAtomContainer container, QTAtomType group, long componentVersion,
           const SettingsAtoms& atoms) {
    qtfile::ByteWriter version;
    version.s32(static_cast<int32_t>(componentVersion));
    version.u16(1);  // written on a little-endian machine
    version.u16(0);
    OSErr err = QTInsertChild(container, kParentAtomIsContainer, kQTSettingsComponentVersion,
                              kSettingsAtomID, 0, static_cast<long>(version.size()),
                              version.data().data(), nullptr);
    QTAtom groupAtom = 0;
    if (err == noErr) {
        err = QTInsertChild(container, kParentAtomIsContainer, group, kSettingsAtomID, 0, 0,
                            nullptr, &groupAtom);
    }
    for (const auto& [type, bytes] : atoms) {
        if (err != noErr) {
            break;
        }
        // Inserting may move atoms: find the group again each time.
        groupAtom =
            QTFindChildByID(container, kParentAtomIsContainer, group, kSettingsAtomID, nullptr);
        err = QTInsertChild(container, groupAtom, type, kSettingsAtomID, 0,
                            static_cast<long>(bytes.size()), const_cast<UInt8*>(bytes.data()),
                            nullptr);
    }
    return err;
}

}  // namespace

OSErr WriteSettingsContainer(QTAtomType group, long componentVersion, const SettingsAtoms& atoms,
                             QTAtomContainer* container) {
    if (container == nullptr) {
        return paramErr;
    }
    *container = nullptr;
    QTAtomContainer made = nullptr;
    OSErr err = QTNewAtomContainer(&made);
    if (err == noErr) {
        err = Fill(made, group, componentVersion, atoms);
    }
    if (err != noErr) {
        QTDisposeAtomContainer(made);
        return err;
    }
    *container = made;
    return noErr;
}

OSErr ReadSettingsContainer(QTAtomContainer container, QTAtomType group, SettingsAtoms& atoms) {
    atoms.clear();
    if (OSErr err = QTValidateAtomContainer(container); err != noErr) {
        return err;
    }
    const QTAtom groupAtom =
        QTFindChildByID(container, kParentAtomIsContainer, group, kSettingsAtomID, nullptr);
    if (groupAtom == 0) {
        return invalidAtomContainerErr;
    }
    for (QTAtomType type = QTGetNextChildType(container, groupAtom, 0); type != 0;
         type = QTGetNextChildType(container, groupAtom, type)) {
        const QTAtom atom = QTFindChildByID(container, groupAtom, type, kSettingsAtomID, nullptr);
        long size = 0;
        Ptr data = nullptr;
        if (atom == 0 || QTGetAtomDataPtr(container, atom, &size, &data) != noErr) {
            continue;  // not a setting (another ID, or a group)
        }
        const auto* bytes = reinterpret_cast<const UInt8*>(data);
        atoms[type].assign(bytes, bytes + size);
    }
    return noErr;
}

}  // namespace sc
