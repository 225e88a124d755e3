// The writer's life: settings, opening, frame-zero tags and closing with the
// controller merge.  The video, audio and button paths live in their own
// files.
#include "SWFExport/CSWFWriter.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>

#include "CoreFoundation/CFBundle.h"
#include "Files/Files.h"
#include "SWF/FActions.h"
#include "SWF/FBitmapDeflater.h"
#include "SWF/FCTDoAction.h"
#include "SWF/FControlTags.h"
#include "SWF/FObjCollection.h"
#include "SWFExport/SWFExportTags.h"
#include "SWFPost/ArcMergeSWFs.h"

namespace {

constexpr int kTwips = 20;
constexpr char kIntermediateSuffix[] = "VidOnly.swf";
constexpr uint8_t kDefaultVersion = 8;
constexpr char kMovieFull[] = "the movie holds the most frames an SWF file can";

// The path as NUL-terminated UTF-8 (empty when it has none).
std::string UTF8Path(const CString& path) {
    const auto string = static_cast<CFStringRef>(path);
    const CFIndex size =
        CFStringGetMaximumSizeForEncoding(CFStringGetLength(string), kCFStringEncodingUTF8);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<size_t>(size) + 1, '\0');
    if (!CFStringGetCString(string, out.data(), size + 1, kCFStringEncodingUTF8)) {
        return {};
    }
    out.resize(std::strlen(out.c_str()));
    return out;
}

void DeleteFileAt(const CString& path) {
    const std::string utf8 = UTF8Path(path);
    FSRef ref;
    if (!utf8.empty() &&
        FSPathMakeRef(reinterpret_cast<const UInt8*>(utf8.c_str()), &ref, nullptr) == noErr) {
        FSDeleteObject(&ref);
    }
}

}  // namespace

CSWFWriter::CSWFWriter() {
    for (CRect& rect : m_rcChange) {
        rect.SetEmpty();
    }
}

CSWFWriter::~CSWFWriter() {
    CloseFile(false);
    ClearConfig();
}

// --- settings ---------------------------------------------------------------

int CSWFWriter::ClearConfig() {
    std::lock_guard lock(m_mutex);
    m_SWFConfig = CSWFConfig();
    m_strIntermediatePath.Empty();
    m_pendingButtons.clear();
    m_pMovie.reset();
    return 0;
}

void CSWFWriter::SetAllowResizing(int allow) {
    std::lock_guard lock(m_mutex);
    m_SWFConfig.m_nAllowResizing = allow;
}

void CSWFWriter::SetControllerHeight(int height) {
    std::lock_guard lock(m_mutex);
    m_nControllerHeight = height;
}

void CSWFWriter::SetBrandingEnabled(bool enabled) {
    std::lock_guard lock(m_mutex);
    m_bBrandingEnabled = enabled;
}

void CSWFWriter::SetApplicationSWFTag(const char* text, int tagCode) {
    std::lock_guard lock(m_mutex);
    try {
        const FDTCustomTag check(text, tagCode);
        m_applicationTag.emplace(check.Text(), tagCode);
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
}

int CSWFWriter::SetFrameRate(int framesPerSecond) {
    std::lock_guard lock(m_mutex);
    if (framesPerSecond < 1 || framesPerSecond > 255) {
        ShowError("frame rate outside 1..255 frames per second");
        return static_cast<int>(kSWFExportFailed);
    }
    m_nFrameRate = framesPerSecond;
    return 0;
}

int CSWFWriter::GetFrameRate() const {
    return m_nFrameRate;
}

int CSWFWriter::SetWaveFormat(const tagWAVEFORMATEX* format) {
    std::lock_guard lock(m_mutex);
    if (format == nullptr) {
        return static_cast<int>(kSWFExportFailed);
    }
    m_waveFormat = *format;
    return 0;
}

int CSWFWriter::SetBitmapCompressionThreads(int threads) {
    std::lock_guard lock(m_mutex);
    m_nBitmapThreads = std::max(0, threads);
    return 0;
}

int CSWFWriter::SetUseJPEGCompression(int use) {
    std::lock_guard lock(m_mutex);
    m_nUseJPEG = use;
    return 0;
}

int CSWFWriter::SetJPEGQuality(int quality) {
    std::lock_guard lock(m_mutex);
    m_nJPEGQuality = quality;
    return 0;
}

int CSWFWriter::SetJPEGThreshold(float threshold) {
    std::lock_guard lock(m_mutex);
    m_fJPEGThreshold = threshold;
    return 0;
}

// --- output file ------------------------------------------------------------

int CSWFWriter::SetOutputFilename(const CString& name) {
    std::lock_guard lock(m_mutex);
    m_strFinalPath = name;
    m_strIntermediatePath = name;
    m_strIntermediatePath += CString(kIntermediateSuffix);
    return 1;
}

bool CSWFWriter::IsOpen() const {
    return m_pFile != nullptr && m_pMovie != nullptr;
}

int CSWFWriter::OpenFile() {
    std::lock_guard lock(m_mutex);
    if (m_pFile != nullptr) {
        return 0;
    }
    if (m_strIntermediatePath.IsEmpty() || m_strFinalPath.IsEmpty()) {
        return kSWFExportNoOutputName;
    }
    const std::string path = UTF8Path(m_strIntermediatePath);
    m_pFile = path.empty() ? nullptr : std::fopen(path.c_str(), "w");
    if (m_pFile == nullptr) {
        ShowError("the intermediate movie file cannot be created");
        return static_cast<int>(kSWFExportFailed);
    }
    m_pendingButtons.clear();
    m_pMovie = std::make_unique<FObjCollection>();
    const unsigned processors = std::thread::hardware_concurrency();
    const unsigned threads = m_nBitmapThreads >= 0 ? static_cast<unsigned>(m_nBitmapThreads)
                             : processors > 1      ? processors
                                                   : 0;
    m_bitmapDeflater = threads > 0 ? std::make_unique<FBitmapDeflater>(threads) : nullptr;
    ResetMovieState();
    while (FObjCollection::CurrentCharacterID() < kControllerCharacterIDs) {
        FObjCollection::Increment();
    }
    return 0;
}

// A new movie shares nothing with an earlier one made by this writer: its
// bitmaps, depths and pictures start afresh.
void CSWFWriter::ResetMovieState() {
    m_bitmapCache.clear();
    m_bitmapIndex.clear();
    m_depthList.clear();
    m_nCurrentDepth = 1;
    m_nFramesReceived = 0;
    m_bFrameZeroInfoAdded = false;
    m_lastError.clear();
    m_bmiFrame = tagBITMAPINFOHEADER{};
    FreeFrameBuffers();
}

void CSWFWriter::FreeFrameBuffers() {
    m_pCurrFrameBits = nullptr;
    std::vector<uint8_t>().swap(m_prevFrame);
    for (size_t i = 0; i < m_bitmaps.size(); ++i) {
        m_bitmapBuffers[i].reset();
        m_bitmaps[i] = SwfBitmap{};
    }
    std::vector<uint8_t>().swap(m_chunkBuffer);
    m_nWidth = m_nHeight = 0;
}

int CSWFWriter::CloseFile(bool deleteFirst) {
    std::lock_guard lock(m_mutex);
    if (m_pFile == nullptr) {
        return 0;
    }
    std::fclose(m_pFile);
    m_pFile = nullptr;
    FreeFrameBuffers();
    if (deleteFirst) {
        DeleteFileAt(m_strIntermediatePath);
    }

    if (m_bFrameZeroInfoAdded && m_pMovie != nullptr) {
        // Buttons lie above every picture.
        for (FCTPlaceObject2* placement : m_pendingButtons) {
            placement->SetDepth(static_cast<uint16_t>(m_nCurrentDepth++));
        }
        m_pendingButtons.clear();
        const int version = m_SWFConfig.m_nSWFVersion;
        const uint8_t headerVersion =
            version >= 1 && version <= 255 ? static_cast<uint8_t>(version) : kDefaultVersion;
        int32_t width = m_bmiFrame.biWidth;
        int32_t height = m_bmiFrame.biHeight;
        if (m_SWFConfig.m_nStageLayout != 2) {
            m_nMovieWidth = width + 1;
            m_nMovieHeight = height + 1;
            width += 1;
            height += 1;
        } else if (version == 6) {
            width += 1;
            height += 1;
        }
        try {
            // The merge below then fails as well: nothing is merged from a
            // movie that is not whole.
            if (!m_pMovie->CreateMovie(UTF8Path(m_strIntermediatePath).c_str(), width * kTwips,
                                       height * kTwips, static_cast<uint32_t>(m_nFrameRate),
                                       headerVersion)) {
                ShowError("the video-only movie cannot be written");
            }
        } catch (const std::exception& error) {
            ShowError(error.what());
        }
    }
    m_bitmapDeflater.reset();
    m_nFramesReceived = 0;
    m_bFrameZeroInfoAdded = false;

    if (!ArcMergeSWFs(GetSWFWrapperControlFile(), m_strIntermediatePath, m_strFinalPath,
                      m_nControllerHeight, m_bBrandingEnabled)) {
        return static_cast<int>(kSWFExportFailed);
    }
    DeleteFileAt(m_strIntermediatePath);
    return 0;
}

CString CSWFWriter::GetSWFWrapperControlFile() {
    CFURLRef url = CFBundleCopyResourceURL(CFBundleGetMainBundle(), CFSTR("velmoran_player"),
                                           CFSTR("swf"), nullptr);
    if (url == nullptr) {
        return CString();
    }
    CFStringRef path = CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle);
    CFRelease(url);
    CString result(path);
    CFRelease(path);
    return result;
}

int CSWFWriter::GetMovieDimensions(int* width, int* height) {
    std::lock_guard lock(m_mutex);
    if (width != nullptr) {
        *width = m_nMovieWidth;
    }
    if (height != nullptr) {
        *height = m_nMovieHeight;
    }
    return 0;
}

int CSWFWriter::GetMovieDuration(int* duration) {
    std::lock_guard lock(m_mutex);
    if (duration != nullptr) {
        *duration = m_nMovieDuration;
    }
    return 0;
}

int CSWFWriter::GetHtmlFileName(CString* name) {
    std::lock_guard lock(m_mutex);
    if (name != nullptr) {
        *name = m_strHtmlFileName;
    }
    return 0;
}

FObjCollection* CSWFWriter::GetSWFMovie() {
    std::lock_guard lock(m_mutex);
    return m_pMovie.get();
}

int CSWFWriter::GetFramesReceived() {
    std::lock_guard lock(m_mutex);
    return m_nFramesReceived;
}

// --- frame zero -------------------------------------------------------------

int CSWFWriter::AddFrameZeroInfo() {
    std::lock_guard lock(m_mutex);
    if (m_pMovie == nullptr) {
        return 0;
    }
    AddFrameZeroTags();
    return 1;
}

void CSWFWriter::AddFrameZeroTags() {
    if (m_bFrameZeroInfoAdded || m_pMovie == nullptr) {
        return;
    }
    AddFrameRateProperty(m_pMovie.get(), m_nFrameRate);
    if (m_applicationTag) {
        m_pMovie->AddFObj(
            new FDTCustomTag(m_applicationTag->first.c_str(), m_applicationTag->second));
    }
    if (m_SWFConfig.m_nAllowResizing == 0) {
        AddSetScaleMode(m_pMovie.get());
    }
    m_bFrameZeroInfoAdded = true;
}

void CSWFWriter::AddFrameRateProperty(FObjCollection* movie, int framesPerSecond) {
    if (movie == nullptr) {
        return;
    }
    auto* script = new FCTDoAction();
    movie->AddFObj(script);
    script->AddAction(
        new MyFActionPushVariable("csMovieFPS", static_cast<uint32_t>(framesPerSecond)));
    script->AddAction(new FActionSetVariable());
}

void CSWFWriter::AddSetScaleMode(FObjCollection* movie) {
    if (movie == nullptr) {
        return;
    }
    static const char kScaleMode[] = "scaleMode\0\0noScale";  // two strings in one push
    auto* script = new FCTDoAction();
    movie->AddFObj(script);
    script->AddAction(new FActionPush(new FString("Stage")));
    script->AddAction(new FActionGetVariable());
    script->AddAction(new MyFActionPushMemory(kScaleMode, sizeof kScaleMode - 1));
    script->AddAction(new FActionSetMember());
}

// --- errors and frames ------------------------------------------------------

void CSWFWriter::ShowError(const char* message) {
    std::printf("ShowError with %s\n", message != nullptr ? message : "");
}

// A failure that would repeat on every frame (a full movie, no character IDs
// left) is reported once.
void CSWFWriter::ReportFailure(const std::string& message) {
    if (message != m_lastError) {
        m_lastError = message;
        ShowError(message.c_str());
    }
}

void CSWFWriter::AddShowFrame() {
    try {
        m_pMovie->AddFObj(new FCTShowFrame());
    } catch (const std::exception& error) {
        ReportFailure(error.what());
    }
}

int CSWFWriter::AddDroppedFrames(int count) {
    std::lock_guard lock(m_mutex);
    if (!IsOpen()) {
        return 0;
    }
    int added = 0;
    while (added < count && m_pMovie->FrameCount() < FObjCollection::kMaxFrames) {
        AddShowFrame();
        ++added;
    }
    if (added < count) {
        ReportFailure(kMovieFull);
    }
    return 0;
}
