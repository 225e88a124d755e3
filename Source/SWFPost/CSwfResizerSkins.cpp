// The controller skin queries of the resizer.
#include "SWFExport/SWFControllerSkins.h"
#include "SWFPost/CSwfResizer.h"

namespace {

const SWFControllerSkinInfo* SkinOf(const CSWFConfig* config) {
    return config == nullptr ? nullptr : g_aSWFControllerSkinInfo.Find(config->m_strControllerSkin);
}

}  // namespace

bool CSwfResizer::GetSWFControllerInfo(const CSWFConfig* config, int* playerHeightSum,
                                       int* headerHeight, int* tocDividerHeight) {
    const SWFControllerSkinInfo* skin = SkinOf(config);
    if (skin == nullptr) {
        return false;
    }
    if (playerHeightSum != nullptr) {
        *playerHeightSum += skin->m_nPlayerHeight;
    }
    if (headerHeight != nullptr) {
        *headerHeight = skin->m_nHeaderHeight;
    }
    if (tocDividerHeight != nullptr) {
        *tocDividerHeight = skin->m_nTOCDividerHeight;
    }
    return true;
}

int CSwfResizer::GetSWFControllerHeaderHeight(const CSWFConfig* config) {
    const SWFControllerSkinInfo* skin = SkinOf(config);
    return skin == nullptr ? 0 : skin->m_nHeaderHeight;
}

int CSwfResizer::GetSWFControllerPlayerHeight(const CSWFConfig* config) {
    const SWFControllerSkinInfo* skin = SkinOf(config);
    return skin == nullptr ? 0 : skin->m_nPlayerHeight;
}

int CSwfResizer::GetSWFControllerTOCDividerHeight(const CSWFConfig* config) {
    const SWFControllerSkinInfo* skin = SkinOf(config);
    return skin == nullptr ? 0 : skin->m_nTOCDividerHeight;
}

int CSwfResizer::GetSWFControllerTotalHeight(const CSWFConfig* config) {
    const SWFControllerSkinInfo* skin = SkinOf(config);
    return skin == nullptr ? 0 : skin->m_nHeaderHeight + skin->m_nPlayerHeight;
}
