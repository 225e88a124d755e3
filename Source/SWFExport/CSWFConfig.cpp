#include "SWFExport/CSWFConfig.h"

CSWFConfig::CSWFConfig()
    : m_nField1(1),
      m_nField2(1),
      m_nField3(0),
      m_strControllerSkin("glass"),
      m_nAudioCompression(1),
      m_nField6(0),
      m_nAudioFormat(0),
      m_nField8(5),
      m_nField9(0),
      m_nAllowResizing(0),
      m_nField11(0),
      m_nField12(0),
      m_strField13("http://"),
      m_nField14(1),
      m_nStageLayout(2),
      m_nField18(0),
      m_nSWFVersion(8),
      m_rgbColor(0xC0C0C0),
      m_nField22(1),
      m_nField24(1),
      m_nField25(1),
      m_strField26("MM:SS"),
      m_strField27("Arial"),
      m_nField28(0),
      m_nField29(0),
      m_nField30(10),
      m_nField31(3),
      m_nField32(50),
      m_nField33(0),
      m_fField34(0.9f),
      m_nField35(10),
      m_nField36(0),
      m_nField37(0) {}

CSWFConfig::CSWFConfig(const CSWFConfig& other) : CSWFConfig() {
    *this = other;
}

CSWFConfig& CSWFConfig::operator=(const CSWFConfig& other) {
    if (this == &other) {
        return *this;
    }
    m_nField1 = other.m_nField1;
    m_nField2 = other.m_nField2;
    m_nField3 = other.m_nField3;
    m_strControllerSkin = other.m_strControllerSkin;
    m_nAudioCompression = other.m_nAudioCompression;
    m_nField6 = other.m_nField6;
    m_nAudioFormat = other.m_nAudioFormat;
    m_nField8 = other.m_nField8;
    m_nField9 = other.m_nField9;
    m_nAllowResizing = other.m_nAllowResizing;
    m_nField11 = other.m_nField11;
    m_nField12 = other.m_nField12;
    m_strField13 = other.m_strField13;
    m_nField14 = other.m_nField14;
    m_strField15 = other.m_strField15;
    m_strField16 = other.m_strField16;
    m_nStageLayout = other.m_nStageLayout;
    m_nField18 = other.m_nField18;
    m_nSWFVersion = other.m_nSWFVersion;
    m_rgbColor = other.m_rgbColor;
    // m_strField21 is deliberately kept.
    m_nField22 = other.m_nField22;
    m_strField23 = other.m_strField23;
    m_nField24 = other.m_nField24;
    m_nField25 = other.m_nField25;
    m_strField26 = other.m_strField26;
    m_strField27 = other.m_strField27;
    m_nField28 = other.m_nField28;
    m_nField29 = other.m_nField29;
    m_nField30 = other.m_nField30;
    m_nField31 = other.m_nField31;
    m_nField32 = other.m_nField32;
    m_nField33 = other.m_nField33;
    m_fField34 = other.m_fField34;
    m_nField35 = other.m_nField35;
    m_nField36 = other.m_nField36;
    m_nField37 = other.m_nField37;
    return *this;
}
