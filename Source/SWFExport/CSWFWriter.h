// Export of a recording to an SWF movie.
//
// The host names the output, opens the writer, then hands it every decoded
// frame (bottom-up 16-, 24- or 32-bit pixels) and one audio chunk per frame.
// Each frame is compared with the picture the movie already shows; the
// rectangles that changed become lossless bitmaps (identical ones are
// defined once and drawn again by ID), drawn by one rectangle shape on a
// fresh depth above the older pictures, which are removed once newer ones
// cover them completely.  Every frame ends with a ShowFrame tag.  Audio is
// streamed as one SoundStreamBlock per chunk.  Closing writes the
// video-only movie beside the output and merges it with the player
// controller movie into the output file.
//
// Thread safety: every public entry point holds the writer's mutex for its
// whole run, so video, audio, dropped-frame reports and closing may come
// from different threads; frames are processed in arrival order.  Character
// IDs come from a counter shared by the whole process: build one SWF movie
// at a time.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CoreGraphics/CGGeometry.h"
#include "Portability/CString.h"
#include "Portability/Geometry.h"
#include "SWFExport/CSWFConfig.h"
#include "SWFExport/SWFExportTypes.h"
#include "SWFExport/SWFFrameDiff.h"
#include "SWFExport/SWFRegion.h"

class FBitmapDeflater;
class FColor;
class FCTPlaceObject2;
class FObjCollection;

// A bitmap already defined in the movie, found again by its pixels.
struct BitmapCacheEntry {
    uint16_t characterID;
    int32_t width;
    int32_t height;
    std::array<uint8_t, 16> digest;  // MD5 of the converted pixels
};

// A drawn picture and the part of the screen it still shows.
struct RemoveBitmapInfo {
    uint16_t depth;
    SWFRegion region;
};

class CSWFWriter {
  public:
    // The movie's own characters start above the IDs kept for the
    // controller movie that is merged in.
    static constexpr uint16_t kControllerCharacterIDs = 1500;
    // Pictures use depths 1..kMaxPictureDepth; buttons lie above them, up to
    // kMaxButtonDepth; the controller movie's depths lie above those.
    static constexpr int kMaxPictureDepth = 60000;
    static constexpr int kMaxButtonDepth = 64999;
    // Changes at least this many pixels wide or high (and at least
    // kMinSplitSide in both directions) are split into quadrants.
    static constexpr int32_t kSplitSide = 97;
    static constexpr int32_t kMinSplitSide = 5;
    // Frames wider or higher than this are refused.
    static constexpr int32_t kMaxFrameSide = 0x3FFF;

    CSWFWriter();
    // Finishes an export still open (as CloseFile(false)), then clears.
    virtual ~CSWFWriter();
    CSWFWriter(const CSWFWriter&) = delete;
    CSWFWriter& operator=(const CSWFWriter&) = delete;

    // The settings, filled in by the host before the first frame.
    CSWFConfig m_SWFConfig;

    // --- settings -----------------------------------------------------------

    // Default settings, no intermediate path, no movie.  Returns 0.
    int ClearConfig();
    void SetAllowResizing(int allow);
    // Pixels the merge adds below the movie for the controller (default 18).
    void SetControllerHeight(int height);
    // Passed to the merge: true sets the controller's "styleWrapper" to 0.
    void SetBrandingEnabled(bool enabled);
    // A custom tag (code 0..1023) added in frame zero; an invalid code is
    // reported and ignored.
    void SetApplicationSWFTag(const char* text, int tagCode);
    // Whole frames per second, 1..255 (default 10); other values are
    // reported and ignored.  Returns 0, or kSWFExportFailed when refused.
    int SetFrameRate(int framesPerSecond);
    int GetFrameRate() const;
    // The source sound format (default PCM, mono, 22050 Hz, 16-bit), read
    // when the first frame or chunk arrives.  Returns 0, or
    // kSWFExportFailed for null.
    int SetWaveFormat(const tagWAVEFORMATEX* format);
    // Stored only: every bitmap is lossless.  Each returns 0.
    int SetUseJPEGCompression(int use);
    // Threads that compress the lossless bitmaps while later frames are
    // converted; 0 compresses them within ReceiveVideoFrame.  The movie's
    // bytes are the same either way.  Default: one per processor when there
    // are several, else 0.  Takes effect at the next OpenFile.  Returns 0.
    int SetBitmapCompressionThreads(int threads);
    int SetJPEGQuality(int quality);
    int SetJPEGThreshold(float threshold);

    // --- output file --------------------------------------------------------

    // The output is `name`; the video-only movie is written beside it as
    // name + "VidOnly.swf".  Returns 1.
    int SetOutputFilename(const CString& name);
    // Starts a new movie: 0; 0 without change when already open;
    // kSWFExportNoOutputName without an output name; kSWFExportFailed when
    // the intermediate file cannot be created.
    int OpenFile();
    // Writes the video-only movie and merges it with the controller into the
    // output.  0 (also when not open), or kSWFExportFailed when the merge
    // fails (the video-only movie is then kept).
    int CloseFile(bool deleteFirst);
    // The controller movie: the resource "velmoran_player.swf" of the main
    // bundle; empty when there is none.
    static CString GetSWFWrapperControlFile();

    // The stage reported for stage layouts other than 2 (0 x 0 before
    // closing and for layout 2).  Each returns 0; null pointers are skipped.
    int GetMovieDimensions(int* width, int* height);
    int GetMovieDuration(int* duration);
    int GetHtmlFileName(CString* name);
    // The movie being built, null when none: for AddButton and the
    // frame-zero helpers.
    FObjCollection* GetSWFMovie();
    int GetFramesReceived();

    // --- frame zero and buttons ---------------------------------------------

    // Adds the frame-zero tags (frame rate, application tag, no-scale stage
    // unless resizing is allowed) once per movie.  1, or 0 with no movie.
    int AddFrameZeroInfo();
    // A frame script setting "csMovieFPS" to the integer rate.
    static void AddFrameRateProperty(FObjCollection* movie, int framesPerSecond);
    // A frame script keeping the stage at its size: Stage.scaleMode = "noScale".
    static void AddSetScaleMode(FObjCollection* movie);

    // A push button over `rect` (pixels) whose up, over and down states are
    // the bitmaps given (0: a fill of the configured colour instead), drawn
    // as rectangles (shape 0) or circles, outlined in `lineColor` (null:
    // black).  Actions on release: 7 stop; 6 play unless "bInQuiz" is set;
    // 129 leave the quiz and go to `frame`; others none.  In the writer's
    // own movie (or with a null movie) the button is placed above every
    // picture when the movie is closed, whatever `depth` says; in another
    // movie at `depth`.  0, or kSWFExportFailed when nothing was added.
    int AddButton(FObjCollection* movie, int depth, const RECT* rect, int action,
                  uint16_t upBitmapID, uint16_t downBitmapID, uint16_t overBitmapID,
                  int bitsPerPixel, tagSWF_BTN_SHAPE shape, const FColor* lineColor, int frame);
    // One button state: a shape over `rect` (pixels) filled with the bitmap
    // (when not 0) or `fillColor`, outlined in `lineColor`.  DefineShape at
    // 16 bits per pixel, else DefineShape3.  The shape's character ID.
    uint16_t AddRectangle(FObjCollection* movie, const RECT* rect, uint16_t bitmapID,
                          int bitsPerPixel, const FColor* fillColor, const FColor* lineColor);
    uint16_t AddCircle(FObjCollection* movie, const RECT* rect, uint16_t bitmapID, int bitsPerPixel,
                       const FColor* fillColor, const FColor* lineColor);

    // --- video --------------------------------------------------------------

    // Copies the 40-byte header of the frames to come.  Returns 1 (0 for
    // null).
    int SetSourceBitmapInfo(const tagBITMAPINFO* info);
    // Converts one frame of the format last described; returns 0.
    int ReceiveVideoFrame(const void* pixels);
    // The same, describing the frame first; the last three arguments are not
    // used.
    int ReceiveVideoFrame(const void* bits, int width, int height, int bytesPerPixel, int imageSize,
                          int unused, CGRect* dirtyRects, int dirtyCount);
    // Adds `count` ShowFrame tags for frames the host could not capture.
    int AddDroppedFrames(int count);
    // At SWF version 6 every picture lies one pixel right and down: adds 1
    // to each edge.  Returns `rect`.
    RECT* AdjustBitmapRegion(RECT* rect);
    // Prints "ShowError with <message>" on standard output.
    void ShowError(const char* message);

    // JPEG bitmaps are not produced: *jpeg (and *length) become 0; each
    // returns 0.
    int ConvertBitmapToJPEG(const void* pixels, const tagBITMAPINFOHEADER* header, uint8_t** jpeg,
                            uint32_t* length);
    int CreateSWFJPEG(const void* pixels, const tagBITMAPINFOHEADER* header, const RECT* rect);
    int AddBitmap(const SwfBitmap* bitmap, const RECT* rect);
    int AddBitmap(const uint8_t* jpeg, uint32_t length, const RECT* rect);

    // --- audio --------------------------------------------------------------

    // Computes the chunk size and, before the first frame, declares the
    // sound stream.  1, or 0 when the sound format cannot be streamed.
    int PreProcessFirstAudioSample();
    // Adds one frame's chunk of samples as a stream block (compressed as the
    // settings say).  A chunk longer than one frame's share is cut to it
    // (reported).  Returns 0.
    int AddAudioChunk(const void* samples, int length);
    // Code size from the audio format index; the chunk buffer.
    void SetUpAudioVars();
    // Bytes of one frame's share of sound (all channels).
    int GetAudioChunkSize();

  private:
    struct DigestKey {
        std::array<uint8_t, 16> digest;
        int32_t width;
        int32_t height;
        bool operator==(const DigestKey&) const = default;
    };
    struct DigestHash {
        size_t operator()(const DigestKey& key) const;
    };

    bool IsOpen() const;
    void ResetMovieState();
    void FreeFrameBuffers();
    void ReportFailure(const std::string& message);
    void AddFrameZeroTags();
    void AddShowFrame();

    // Video path.
    bool AcceptFrameFormat();
    bool SameFrameFormat() const;
    SWFFrameView View(const uint8_t* bits) const;
    void StartPicture();
    void ContinuePicture();
    void DrawWholeFrame();
    void RestartDepths();
    bool ProcessFrameZero();
    bool ProcessNonZeroFrame();
    bool FindRectanglesOfChange();
    bool FindRectangleOfChange(const CRect& search, CRect* result);
    bool CreateSWFBitmap();
    bool CreateOptimizedSwfBitmap(CRect* rect, int slot, int bitsPerPixel);
    bool ConvertSection(const CRect& rect, int slot);
    void CopyBitmapSection(const uint8_t* source, uint8_t* destination, const CRect& rect);
    void MakeEvenFor16Bit(CRect* rect) const;
    void AddBitmapObjectsToSwf();
    uint16_t BitmapIDFor(int slot);
    void AddBitmapToSwf();

    // Audio path.
    bool AudioFormatUsable() const;
    int ChunkSize() const;
    int PreProcessFirstAudioSampleLocked();
    void SetUpAudioVarsLocked();

    // Buttons.
    uint16_t AddButtonState(FObjCollection* movie, const RECT* rect, uint16_t bitmapID,
                            int bitsPerPixel, const FColor* fillColor, const FColor* lineColor,
                            bool circle);

    std::recursive_mutex m_mutex;

    // Output and movie.
    FILE* m_pFile = nullptr;  // marks the export as open
    CString m_strIntermediatePath;
    CString m_strFinalPath;
    std::unique_ptr<FBitmapDeflater> m_bitmapDeflater;  // compresses m_pMovie's bitmaps
    std::unique_ptr<FObjCollection> m_pMovie;
    int m_nControllerHeight = 18;
    bool m_bBrandingEnabled = false;
    std::optional<std::pair<std::string, int>> m_applicationTag;
    bool m_bFrameZeroInfoAdded = false;
    std::vector<FCTPlaceObject2*> m_pendingButtons;  // owned by m_pMovie
    int m_nMovieWidth = 0;
    int m_nMovieHeight = 0;
    int m_nMovieDuration = 0;
    CString m_strHtmlFileName;
    std::string m_lastError;

    // Video.
    tagBITMAPINFOHEADER m_bmiSource{};
    tagBITMAPINFOHEADER m_bmiFrame{};  // the format of the movie's pictures
    int32_t m_nWidth = 0;
    int32_t m_nHeight = 0;
    int m_nBitsPerPixel = 0;
    int m_nBytesPerPixel = 0;
    size_t m_nStride = 0;
    int m_nFramesReceived = 0;
    const uint8_t* m_pCurrFrameBits = nullptr;  // the caller's, during a call only
    std::vector<uint8_t> m_prevFrame;           // the picture the movie shows
    CRect m_rcBounding;
    std::array<CRect, 4> m_rcChange;
    int m_nChangeCount = 0;
    std::array<SwfBitmap, 4> m_bitmaps;
    std::array<std::unique_ptr<uint8_t[]>, 4> m_bitmapBuffers;
    std::vector<BitmapCacheEntry> m_bitmapCache;
    std::unordered_map<DigestKey, size_t, DigestHash> m_bitmapIndex;
    std::vector<RemoveBitmapInfo> m_depthList;
    int m_nCurrentDepth = 1;
    int m_nBitmapThreads = -1;  // -1: one per processor when there are several
    int m_nUseJPEG = 0;
    int m_nJPEGQuality = 50;
    float m_fJPEGThreshold = 0.9f;

    // Audio.
    tagWAVEFORMATEX m_waveFormat{1, 1, 22050, 44100, 2, 16, 0};
    int m_nFrameRate = 10;
    int m_nRateCode = 0;
    int m_nSizeFlag = 1;
    int m_nTypeFlag = 0;
    int m_nADPCMCodeSize = 2;
    int m_nChunkSize = 0;
    std::vector<uint8_t> m_chunkBuffer;
};
