#include <gtest/gtest.h>

#include "SWFExport/CSWFConfig.h"
#include "SWFExport/SWFControllerSkins.h"
#include "SWFPost/CSwfResizer.h"

namespace {

bool Same(const CString& a, const char* b) {
    return a.CompareNoCase(CString(b)) == 0;
}

TEST(CSWFConfigTest, DefaultsThatSteerTheExport) {
    const CSWFConfig config;
    EXPECT_TRUE(Same(config.m_strControllerSkin, "glass"));
    EXPECT_EQ(config.m_nAudioCompression, 1);
    EXPECT_EQ(config.m_nAudioFormat, 0);
    EXPECT_EQ(config.m_nAllowResizing, 0);
    EXPECT_EQ(config.m_nStageLayout, 2);
    EXPECT_EQ(config.m_nSWFVersion, 8);
    EXPECT_EQ(config.m_rgbColor, 0xC0C0C0);
    EXPECT_TRUE(config.m_strField21.IsEmpty());
}

TEST(CSWFConfigTest, CopiesKeepTheTwentyFirstField) {
    CSWFConfig source;
    source.m_nField1 = 11;
    source.m_strControllerSkin = "classic";
    source.m_strField21 = "mine";
    source.m_strField27 = "Courier";
    source.m_fField34 = 0.25f;
    source.m_nField37 = 37;

    CSWFConfig target;
    target.m_strField21 = "kept";
    target = source;
    EXPECT_EQ(target.m_nField1, 11);
    EXPECT_TRUE(Same(target.m_strControllerSkin, "classic"));
    EXPECT_TRUE(Same(target.m_strField27, "Courier"));
    EXPECT_EQ(target.m_fField34, 0.25f);
    EXPECT_EQ(target.m_nField37, 37);
    EXPECT_TRUE(Same(target.m_strField21, "kept"));

    const CSWFConfig copy(source);
    EXPECT_EQ(copy.m_nField37, 37);
    EXPECT_TRUE(copy.m_strField21.IsEmpty());

    CSWFConfig& alias = source;
    source = alias;
    EXPECT_TRUE(Same(source.m_strField21, "mine"));
}

TEST(ControllerSkinTest, TableAndLookups) {
    ASSERT_EQ(g_aSWFControllerSkinInfo.GetCount(), 3);
    EXPECT_TRUE(Same(g_aSWFControllerSkinInfo[1].m_strDisplayName, "Matte"));
    EXPECT_TRUE(Same(g_aSWFControllerSkinInfo[1].m_strIdentifier, "goog"));
    EXPECT_THROW(g_aSWFControllerSkinInfo[3], std::out_of_range);

    CSWFConfig config;
    const struct {
        const char* skin;
        int header, player, divider, total;
    } cases[] = {
        {"glass", 18, 37, 28, 55}, {"goog", 18, 37, 28, 55}, {"classic", 1, 17, 12, 18},
        {"GLASS", 0, 0, 0, 0},     {"Matte", 0, 0, 0, 0},    {"", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        config.m_strControllerSkin = c.skin;
        EXPECT_EQ(CSwfResizer::GetSWFControllerHeaderHeight(&config), c.header) << c.skin;
        EXPECT_EQ(CSwfResizer::GetSWFControllerPlayerHeight(&config), c.player) << c.skin;
        EXPECT_EQ(CSwfResizer::GetSWFControllerTOCDividerHeight(&config), c.divider) << c.skin;
        EXPECT_EQ(CSwfResizer::GetSWFControllerTotalHeight(&config), c.total) << c.skin;
    }
    EXPECT_EQ(CSwfResizer::GetSWFControllerTotalHeight(nullptr), 0);
}

TEST(ControllerSkinTest, InfoAddsThePlayerHeightAndSetsTheRest) {
    CSWFConfig config;
    int sum = 5;
    int header = -1;
    int divider = -1;
    EXPECT_TRUE(CSwfResizer::GetSWFControllerInfo(&config, &sum, &header, &divider));
    EXPECT_TRUE(CSwfResizer::GetSWFControllerInfo(&config, &sum, nullptr, nullptr));
    EXPECT_EQ(sum, 5 + 37 + 37);
    EXPECT_EQ(header, 18);
    EXPECT_EQ(divider, 28);

    config.m_strControllerSkin = "Glass";
    EXPECT_FALSE(CSwfResizer::GetSWFControllerInfo(&config, &sum, &header, &divider));
    EXPECT_FALSE(CSwfResizer::GetSWFControllerInfo(nullptr, &sum, &header, &divider));
    EXPECT_EQ(sum, 79);
    EXPECT_EQ(header, 18);
}

}  // namespace
