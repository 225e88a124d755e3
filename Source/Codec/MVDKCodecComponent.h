// The MVDK screen codec as two image codec components sharing one entry
// point: a compressor ('imco', 'mvdk') and a decompressor ('imdc', 'mvdk'),
// both made by 'Mvdn'.  Requests the codec does not serve go to the base
// image decompressor it opens as its delegate.
//
// Compression: precompress starts a sequence, band compress codes one whole
// frame (MVDKFrameCompressor).  Decompression: the base decompressor calls
// preflight, initialize, then begin band and draw band per frame
// (MVDKFrameDecompressor).  The zlib level (0 to 9, default 6) persists in
// the file "level" of the folder "Morvandel" in the user's preferences
// folder, as a 4-byte integer in host byte order.
//
// Destination buffers.  Get max compression size reports the raw frame size
// (width x height x depth / 8).  A frame whose data would not fit the
// caller's buffer (CodecCompressParams::bufferSize, which must be set) fails
// with codecErr and changes nothing; deflate is never given more room than
// that buffer.  Screen content deflates far below the raw size; only
// noise-like pictures at depth 24 or below can exceed it.
#pragma once

#include <vector>

#include "Codec/MVDKFrameCompressor.h"
#include "Codec/MVDKFrameDecompressor.h"
#include "Components/Components.h"
#include "Files/Files.h"
#include "ImageCompression/ImageCodec.h"

enum : OSType {
    kMVDKCodecType = 'mvdk',
    kMVDKCodecManufacturer = 'Mvdn',
    kMVDKPrefsFileType = 'pref',
};

// Private selectors, each taking one 32-bit argument.
enum : SInt16 {
    kMVDKSetFlippedSelect = 256,
    kMVDKSetSrcEndianSwappedSelect = 257,
    kMVDKSetCompressorLevelSelect = 258,
    kMVDKSetAdjustZlibLevelThresholdSelect = 259,
    kMVDKSetAdjustZlibLevelAmountSelect = 260,
};

// The component's resources.
enum : SInt16 {
    kMVDKCodecInfoResID = 256,      // 'cdci': a CodecInfo in host order, when present
    kMVDKSettingsDialogID = 20056,  // 'DLOG', its 'DITL' and the level 'CNTL'
    kMVDKSettingsPanelID = 20057,   // 'DITL' of the panel; the 'CNTL' of its level control
};
enum : DialogItemIndex {
    kMVDKSettingsOKItem = 1,
    kMVDKSettingsCancelItem = 2,
    kMVDKSettingsLevelItem = 3,
    kMVDKPanelLevelItem = 1,  // counted after the host's items
};

constexpr SInt32 kMVDKDefaultLevel = 6;
constexpr SInt32 kMVDKMaxLevel = 9;
constexpr ComponentResult kMVDKCodecVersion = 0x00020002;
// Codec flags of the two component descriptions and of the codec information.
constexpr UInt32 kMVDKDecompressFlags = 0x00400438;  // 8, 16, 32 bits, temporal, spool
constexpr UInt32 kMVDKCompressFlags = 0x00000438;    // 8, 16, 32 bits, temporal

// The per-instance record, made zero-filled by open and freed by close.
struct MVDKCodecStorage {
    ComponentInstance self;
    ComponentInstance target;    // where re-targeted calls go; self until changed
    ComponentInstance delegate;  // the base image decompressor
    ImageCodecMPDrawBandUPP drawBandProc;

    // Encoder: work buffer and previous frame live in the frame compressor.
    MVDKFrameCompressor compressor;
    // Decoder: the inflate buffer lives in the frame decompressor; frame data
    // fetched through a data-loading procedure is gathered apart from it.
    MVDKFrameDecompressor decompressor;
    std::vector<UInt8> gatherBuffer;

    UInt32 flipped;           // the source stores the bottom line first
    SInt32 level;             // zlib level, 0..9
    UInt32 srcEndianSwapped;  // 32-bit sources are already blue, green, red, alpha
    UInt32 adjustLevel;       // the adjusted level is in use
    SInt32 adjustThreshold;   // recorded with the threshold selector; nothing reads it yet
    SInt32 adjustAmount;      // zlib level while adjustLevel is on
};

// The entry point of both components.
ComponentResult MVDKCodec_ComponentDispatch(ComponentParameters* params, Handle storage);

// Registration (no global flags, name, info or icon); null on failure.
Component MVDKRegisterEncoderComponent();
Component MVDKRegisterDecoderComponent();

// Private selectors sent to an instance; each returns the component's result.
ComponentResult MVDK_SetFlipped(ComponentInstance instance, SInt32 value);
ComponentResult MVDK_SetSrcEndianSwapped(ComponentInstance instance, SInt32 value);
// Levels are zlib's: 0 to 9, or -1 for zlib's default; others get paramErr.
ComponentResult MVDK_SetCompressorLevel(ComponentInstance instance, SInt32 value);
ComponentResult MVDK_SetAdjustZlibLevelThreshold(ComponentInstance instance, SInt32 value);
ComponentResult MVDK_SetAdjustZlibLevelAmount(ComponentInstance instance, SInt32 value);

// Loads `level` from the preferences file; whenever no valid level can be
// read (no file, a short, unreadable or out-of-range one) it becomes 6 and
// the read error, if any, is returned.
OSErr MVDK_ReadUserDefaults(MVDKCodecStorage* storage);
// Saves `level` to the preferences file, creating it (and its folder) when
// missing.
OSErr MVDK_WriteUserDefaults(MVDKCodecStorage* storage);
// The file `name` in the folder "Morvandel" of the preferences folder,
// creating both folders when missing.  fnfErr (with location filled) when the
// file itself does not exist.
OSErr GetPrefsFileSpec(ConstStr255Param name, FSSpec* location);

// --- Selector handlers ------------------------------------------------------

ComponentResult MVDKCodec_Open(MVDKCodecStorage* storage, ComponentInstance self);
ComponentResult MVDKCodec_Close(MVDKCodecStorage* storage, ComponentInstance self);
ComponentResult MVDKCodec_CanDo(MVDKCodecStorage* storage, SInt16 selector);
ComponentResult MVDKCodec_Version(MVDKCodecStorage* storage);
ComponentResult MVDKCodec_Register(MVDKCodecStorage* storage);
ComponentResult MVDKCodec_Target(MVDKCodecStorage* storage, ComponentInstance target);
ComponentResult MVDKCodec_GetMPWorkFunction(MVDKCodecStorage* storage,
                                            ComponentMPWorkFunctionUPP* workFunction,
                                            void** refCon);

ComponentResult MVDKCodec_GetCodecInfo(MVDKCodecStorage* storage, CodecInfo* info);
ComponentResult MVDKCodec_GetCompressionTime(MVDKCodecStorage* storage, PixMapHandle src,
                                             const Rect* srcRect, SInt16 depth,
                                             CodecQ* spatialQuality, CodecQ* temporalQuality,
                                             unsigned long* time);
ComponentResult MVDKCodec_GetMaxCompressionSize(MVDKCodecStorage* storage, PixMapHandle src,
                                                const Rect* srcRect, SInt16 depth, CodecQ quality,
                                                long* size);
ComponentResult MVDKCodec_PreCompress(MVDKCodecStorage* storage, CodecCompressParams* params);
ComponentResult MVDKCodec_BandCompress(MVDKCodecStorage* storage, CodecCompressParams* params);

ComponentResult MVDKCodec_RequestSettings(MVDKCodecStorage* storage, Handle settings, Rect* rp,
                                          ModalFilterUPP filterProc);
ComponentResult MVDKCodec_GetSettings(MVDKCodecStorage* storage, Handle settings);
ComponentResult MVDKCodec_SetSettings(MVDKCodecStorage* storage, Handle settings);
ComponentResult MVDKCodec_GetDITLForSize(MVDKCodecStorage* storage, Handle* ditl,
                                         Point* requestedSize);
ComponentResult MVDKCodec_DITLInstall(MVDKCodecStorage* storage, DialogRef d, SInt16 itemOffset);
ComponentResult MVDKCodec_DITLEvent(MVDKCodecStorage* storage, DialogRef d, SInt16 itemOffset,
                                    const EventRecord* theEvent, SInt16* itemHit, Boolean* handled);
ComponentResult MVDKCodec_DITLItem(MVDKCodecStorage* storage, DialogRef d, SInt16 itemOffset,
                                   SInt16 itemNum);
ComponentResult MVDKCodec_DITLRemove(MVDKCodecStorage* storage, DialogRef d, SInt16 itemOffset);
ComponentResult MVDKCodec_DITLValidateInput(MVDKCodecStorage* storage, Boolean* ok);

ComponentResult MVDKCodec_SetFlipped(MVDKCodecStorage* storage, SInt32 value);
ComponentResult MVDKCodec_SetSrcEndianSwapped(MVDKCodecStorage* storage, SInt32 value);
ComponentResult MVDKCodec_SetCompressorLevel(MVDKCodecStorage* storage, SInt32 value);
ComponentResult MVDKCodec_SetAdjustZlibLevelThreshold(MVDKCodecStorage* storage, SInt32 value);
ComponentResult MVDKCodec_SetAdjustZlibLevelAmount(MVDKCodecStorage* storage, SInt32 value);

ComponentResult MVDKCodec_Preflight(MVDKCodecStorage* storage, CodecDecompressParams* params);
ComponentResult MVDKCodec_Initialize(MVDKCodecStorage* storage,
                                     ImageSubCodecDecompressCapabilities* cap);
ComponentResult MVDKCodec_BeginBand(MVDKCodecStorage* storage, CodecDecompressParams* params,
                                    ImageSubCodecDecompressRecord* drp, long flags);
ComponentResult MVDKCodec_DrawBand(MVDKCodecStorage* storage, ImageSubCodecDecompressRecord* drp);
ComponentResult MVDKCodec_EndBand(MVDKCodecStorage* storage, ImageSubCodecDecompressRecord* drp,
                                  OSErr result, long flags);
ComponentResult MVDKCodec_QueueStarting(MVDKCodecStorage* storage);
ComponentResult MVDKCodec_QueueStopping(MVDKCodecStorage* storage);
