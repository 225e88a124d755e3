// What compression session options, frame options and encoded frames hold.
// Used by the ImageCompression sources only.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "ImageCompression/ICMCompressionSession.h"

namespace icm {

// A reference count shared by the opaque objects.
struct RefCounted {
    std::atomic<int> references{1};
    void retain() { references.fetch_add(1, std::memory_order_relaxed); }
    // True when this was the last reference.
    bool release() { return references.fetch_sub(1, std::memory_order_acq_rel) == 1; }
};

// The values of a set of session options.
struct SessionOptionValues {
    bool allowTemporalCompression = false;
    bool allowFrameReordering = false;
    bool allowFrameTimeChanges = false;
    bool durationsNeeded = false;
    SInt32 maxKeyFrameInterval = 0;
    CodecQ quality = codecNormalQuality;
    SInt32 averageDataRate = 0;
    Boolean allowAsyncCompletion = false;
    CompressorComponent compressor = nullptr;
    UInt32 depth = 0;
};

// The session's image description, shared with the frames it made so that
// a frame kept after its session is gone still has one.
class SharedImageDescription {
  public:
    explicit SharedImageDescription(ImageDescriptionHandle handle) : m_handle(handle) {}
    ~SharedImageDescription();
    SharedImageDescription(const SharedImageDescription&) = delete;
    SharedImageDescription& operator=(const SharedImageDescription&) = delete;
    ImageDescriptionHandle handle() const { return m_handle; }

  private:
    ImageDescriptionHandle m_handle;
};

// Frame data buffers given back by released frames, kept for the next ones
// so that a steady stream of frames allocates nothing.
class FrameBufferPool {
  public:
    explicit FrameBufferPool(size_t bufferSize) : m_bufferSize(bufferSize) {}
    std::vector<UInt8> take();
    void give(std::vector<UInt8> buffer);
    size_t bufferSize() const { return m_bufferSize; }

  private:
    static constexpr size_t kMaxKept = kICMCompressionSessionMaxQueuedFrames + 2;
    const size_t m_bufferSize;
    std::mutex m_mutex;
    std::vector<std::vector<UInt8>> m_free;
};

}  // namespace icm

struct OpaqueICMCompressionSessionOptions : icm::RefCounted {
    // Guards values: a session reads the quality for each frame while the
    // client may change it.
    mutable std::mutex mutex;
    icm::SessionOptionValues values;

    icm::SessionOptionValues snapshot() const {
        std::lock_guard lock(mutex);
        return values;
    }
};

struct OpaqueICMCompressionFrameOptions : icm::RefCounted {
    bool forceKeyFrame = false;
    ICMFrameType frameType = kICMFrameType_Unknown;
};

struct OpaqueICMEncodedFrame : icm::RefCounted {
    ~OpaqueICMEncodedFrame();

    std::vector<UInt8> buffer;
    size_t dataSize = 0;
    UInt32 decodeNumber = 0;
    TimeScale timeScale = 0;
    ICMValidTimeFlags validTimeFlags = 0;
    TimeValue64 displayTimeStamp = 0;
    TimeValue64 displayDuration = 0;
    MediaSampleFlags sampleFlags = 0;
    ICMFrameType frameType = kICMFrameType_Unknown;
    void* sourceFrameRefCon = nullptr;
    std::shared_ptr<icm::SharedImageDescription> description;
    std::shared_ptr<icm::FrameBufferPool> pool;  // takes the buffer back
};
