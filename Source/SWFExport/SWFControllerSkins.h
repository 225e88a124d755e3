// The player-controller skins and the heights the stage needs for each.
#pragma once

#include "Portability/CString.h"

struct SWFControllerSkinInfo {
    CString m_strDisplayName;
    CString m_strIdentifier;  // what CSWFConfig::m_strControllerSkin names
    int m_nHeaderHeight;      // pixels
    int m_nPlayerHeight;
    int m_nTOCDividerHeight;
};

// The skin table.  The entries are built once, on first use, and destroyed
// at exit; the table object itself needs no construction, so other globals
// may use it whatever the order of static initialisation.
class CSWFControllerSkinTable {
  public:
    static constexpr int kCount = 3;

    constexpr CSWFControllerSkinTable() = default;
    int GetCount() const { return kCount; }
    // index 0..kCount-1; throws std::out_of_range otherwise.
    const SWFControllerSkinInfo& operator[](int index) const;
    // The first entry whose identifier equals `identifier` exactly, or null.
    const SWFControllerSkinInfo* Find(const CString& identifier) const;
};

extern constinit const CSWFControllerSkinTable g_aSWFControllerSkinInfo;
