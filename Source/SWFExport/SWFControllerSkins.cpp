#include "SWFExport/SWFControllerSkins.h"

#include <array>
#include <stdexcept>

constinit const CSWFControllerSkinTable g_aSWFControllerSkinInfo;

namespace {

const std::array<SWFControllerSkinInfo, CSWFControllerSkinTable::kCount>& Entries() {
    static const std::array<SWFControllerSkinInfo, CSWFControllerSkinTable::kCount> entries{{
        {CString("Glass"), CString("glass"), 18, 37, 28},
        {CString("Matte"), CString("goog"), 18, 37, 28},
        {CString("Classic"), CString("classic"), 1, 17, 12},
    }};
    return entries;
}

}  // namespace

const SWFControllerSkinInfo& CSWFControllerSkinTable::operator[](int index) const {
    if (index < 0 || index >= kCount) {
        throw std::out_of_range("no such controller skin");
    }
    return Entries()[static_cast<size_t>(index)];
}

const SWFControllerSkinInfo* CSWFControllerSkinTable::Find(const CString& identifier) const {
    for (const SWFControllerSkinInfo& skin : Entries()) {
        if (skin.m_strIdentifier.CompareNoCase(identifier) == 0) {
            return &skin;
        }
    }
    return nullptr;
}
