// The settings record of an SWF export, filled in by the host before
// recording.  Only a few settings steer this library (skin, audio coding,
// resizing, stage layout, version); the others belong to the host and the
// player and are carried and copied unchanged.
#pragma once

#include "Portability/CString.h"

class CSWFConfig {
  public:
    // Every field at its default.
    CSWFConfig();
    // Both copy every field except m_strField21, which a copy leaves as it
    // was (a new copy leaves it unset).
    CSWFConfig(const CSWFConfig& other);
    CSWFConfig& operator=(const CSWFConfig& other);

    // Fields in their fixed order.
    int m_nField1;
    int m_nField2;
    int m_nField3;
    // The player-controller skin, matched exactly (letter case included)
    // against the identifiers of the skin table.
    CString m_strControllerSkin;
    // Stream sound coding: 0 uncompressed PCM, 1 ADPCM, 2 MP3.
    int m_nAudioCompression;
    int m_nField6;
    // Audio format index 0..23; with ADPCM, its value modulo 4 selects 2, 3,
    // 4 or 5 bits per code.
    int m_nAudioFormat;
    int m_nField8;
    int m_nField9;
    // 0: the movie keeps its size in the player (no-scale stage).
    int m_nAllowResizing;
    int m_nField11;
    int m_nField12;
    CString m_strField13;
    int m_nField14;
    CString m_strField15;
    CString m_strField16;
    // 2: the stage is exactly the frame size (one pixel larger each way at
    // version 6); other values: the frame size plus one pixel each way.
    int m_nStageLayout;
    int m_nField18;
    // The SWF version written to the header.
    int m_nSWFVersion;
    // An RGB colour, 0xRRGGBB.
    int m_rgbColor;
    CString m_strField21;
    int m_nField22;
    CString m_strField23;
    int m_nField24;
    int m_nField25;
    CString m_strField26;
    CString m_strField27;
    int m_nField28;
    int m_nField29;
    int m_nField30;
    int m_nField31;
    int m_nField32;
    int m_nField33;
    float m_fField34;
    int m_nField35;
    int m_nField36;
    int m_nField37;
};
