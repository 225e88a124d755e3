#include <gtest/gtest.h>

#include "SWFExport/CSWFConfig.h"
#include "SWFExport/SWFControllerSkins.h"
#include "SWFPost/CSwfResizer.h"

namespace {

bool Is(const CString& a, const char* b) {
    return a.CompareNoCase(CString(b)) == 0;
}

TEST(CSWFConfigTest, CopiesKeepTheTwentyFirstField) {
    CSWFConfig source;
    source.m_strControllerSkin = "classic";
    source.m_strField21 = "mine";
    source.m_fField34 = 0.25f;
    source.m_nField37 = 37;
    CSWFConfig target;
    target.m_strField21 = "kept";
    target = source;
    EXPECT_TRUE(Is(target.m_strControllerSkin, "classic"));
    EXPECT_EQ(target.m_fField34, 0.25f);
    EXPECT_EQ(target.m_nField37, 37);
    EXPECT_TRUE(Is(target.m_strField21, "kept"));
    EXPECT_TRUE(CSWFConfig(source).m_strField21.IsEmpty());
    CSWFConfig& alias = source;
    source = alias;
    EXPECT_TRUE(Is(source.m_strField21, "mine"));
}

// Skins are found by their exact key (not the display name), each query
// reads its own field, and unknown skins or no config give 0 or false.
TEST(ControllerSkinTest, LookupsAreExact) {
    EXPECT_THROW(g_aSWFControllerSkinInfo[3], std::out_of_range);
    CSWFConfig config;
    const struct {
        const char* skin;
        int header, player, divider;
    } cases[] = {
        {"glass", 18, 37, 28}, {"classic", 1, 17, 12}, {"GLASS", 0, 0, 0}, {"Matte", 0, 0, 0}};
    for (const auto& c : cases) {
        config.m_strControllerSkin = c.skin;
        EXPECT_EQ(CSwfResizer::GetSWFControllerHeaderHeight(&config), c.header) << c.skin;
        EXPECT_EQ(CSwfResizer::GetSWFControllerPlayerHeight(&config), c.player) << c.skin;
        EXPECT_EQ(CSwfResizer::GetSWFControllerTOCDividerHeight(&config), c.divider) << c.skin;
        EXPECT_EQ(CSwfResizer::GetSWFControllerTotalHeight(&config), c.header + c.player) << c.skin;
    }
    EXPECT_EQ(CSwfResizer::GetSWFControllerTotalHeight(nullptr), 0);

    // Info adds the player height and sets the others.
    config.m_strControllerSkin = "glass";
    int sum = 5, header = -1, divider = -1;
    EXPECT_TRUE(CSwfResizer::GetSWFControllerInfo(&config, &sum, &header, &divider));
    EXPECT_TRUE(CSwfResizer::GetSWFControllerInfo(&config, &sum, nullptr, nullptr));
    EXPECT_EQ(std::make_tuple(sum, header, divider), std::make_tuple(5 + 37 + 37, 18, 28));
    config.m_strControllerSkin = "Glass";
    EXPECT_FALSE(CSwfResizer::GetSWFControllerInfo(&config, &sum, &header, &divider));
    EXPECT_FALSE(CSwfResizer::GetSWFControllerInfo(nullptr, &sum, &header, &divider));
    EXPECT_EQ(sum, 79);
}

}  // namespace
