#include "SWFPost/ArcMergeSWFs.h"

#include <cstdint>
#include <vector>

#include "SWF/FSWFStream.h"
#include "SWFPost/FMySetVariable.h"

namespace {

constexpr int kTwipsPerPixel = 20;
constexpr uint8_t kMergedVersion = 8;
constexpr int kTagEnd = 0;
constexpr int kTagShowFrame = 1;
constexpr int kTagFileAttributes = 69;

// A controller tag could not be copied whole: the output is damaged and the
// merge must fail, although the controller walk itself forgives errors.
struct ControllerCopyFailed {};

}  // namespace

bool ArcMergeSWFs(const CString& controllerPath, const CString& moviePath, const CString& outPath,
                  int controllerHeight, bool noStyleWrapper) {
    if (controllerHeight < 0) {
        return false;
    }
    SWFMergeContext context{controllerHeight, {}, controllerPath, noStyleWrapper ? 0 : 6};
    return SWFParse::InjectSWFCode(moviePath, outPath, AddCodeToFrame, &context, ModHeader);
}

void ModHeader(SWFParse::SWFHeader& header, void* context) {
    auto* merge = static_cast<SWFMergeContext*>(context);
    const long long yMax =
        static_cast<long long>(header.yMax) + 1LL * merge->controllerHeight * kTwipsPerPixel;
    if (yMax > INT32_MAX || yMax < INT32_MIN) {
        throw CFileException();
    }
    header.version = kMergedVersion;
    header.yMax = static_cast<int32_t>(yMax);
    merge->header = header;
}

void AddCodeToFrame(SWFParse::ISWFIterator& out, int frameNumber, void* context) {
    if (frameNumber != 1) {
        return;
    }
    const auto* merge = static_cast<const SWFMergeContext*>(context);
    const SWFParse::SWFHeader& header = merge->header;
    const float width = static_cast<float>((double(header.xMax) - header.xMin) / kTwipsPerPixel);
    const float height = static_cast<float>((double(header.yMax) - header.yMin) / kTwipsPerPixel -
                                            merge->controllerHeight);
    const float fps = static_cast<float>(header.frameRate * 0.00390625);
    const float styleWrapper = static_cast<float>(merge->styleWrapper);

    FSWFStream stream;
    FMySetVariable<float>("width", width).WriteToSWFStream(&stream);
    FMySetVariable<float>("height", height).WriteToSWFStream(&stream);
    FMySetVariable<float>("fps", fps).WriteToSWFStream(&stream);
    FMySetVariable<float>("styleWrapper", styleWrapper).WriteToSWFStream(&stream);
    std::vector<unsigned char> bytes(stream.Size());
    stream.WriteToMemory(bytes.data());
    out.AppendBytes(bytes.data(), static_cast<int>(bytes.size()));

    // A missing or damaged controller leaves what was copied so far.
    try {
        SWFParse::ParseSWF(merge->controllerPath, 0, AddControllerTags, nullptr,
                           reinterpret_cast<unsigned long long>(&out));
    } catch (const ControllerCopyFailed&) {
        throw CFileException();
    }
}

void AddControllerTags(SWFParse::ISWFIterator& controller, int code, int length,
                       unsigned long long out) {
    if (code == kTagEnd || code == kTagShowFrame || code == kTagFileAttributes) {
        return;
    }
    try {
        SWFParse::CopyTagLongForm(controller, *reinterpret_cast<SWFParse::ISWFIterator*>(out), code,
                                  length);
    } catch (const CFileException&) {
        throw ControllerCopyFailed();
    }
}
