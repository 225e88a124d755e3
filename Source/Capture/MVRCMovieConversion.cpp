// Conversion of a capture file into a QuickTime movie through QTWriter.

#include <algorithm>
#include <climits>
#include <exception>
#include <sstream>

#include "Capture/MVRCReader.h"
#include "QuickTime/QTWriter.h"

namespace {

constexpr OSType kMovieCodec = 'rle ';
constexpr uint32_t kLosslessQuality = 1024;
constexpr int32_t kMaxKeyFrameInterval = 80;

// Holds a reference-counted object for a scope.
template <class T>
class Retained {
  public:
    explicit Retained(T* object) : m_object(object) { m_object->retain(); }
    ~Retained() { m_object->release(); }
    Retained(const Retained&) = delete;
    Retained& operator=(const Retained&) = delete;
    T* operator->() const { return m_object; }

  private:
    T* m_object;
};

}  // namespace

void MVRCReader::convertToMOV(char const* capturePath, char const* moviePath) {
    openFile(capturePath);
    struct Closer {
        MVRCReader& reader;
        ~Closer() { reader.closeFile(); }
    } closer{*this};
    _MVRCHeader header;
    readHeader(&header);
    if (moviePath == nullptr) {
        throw MVRCReaderException("No movie path\n");
    }
    Retained<QTWriter> writer(new QTWriter(moviePath, header.width, header.height, false, nullptr));
    tagMVDImageFormat format = header.format();
    MVDImage frameImage(&format);
    MVDImage movieImage(&format);
    // The track is made with the first frame: a movie without frames has no
    // track at all (a video track without a sample description is not one
    // that players accept).
    QTICMVideoTrack* track = nullptr;
    std::exception_ptr damage;
    try {
        _MVRCFrameHeader frame;
        for (uint64_t index = 0; readFrame(&frame, &frameImage); ++index) {
            if (track == nullptr) {
                const tagMVDRect frameRect{0, 0, static_cast<int32_t>(header.width),
                                           static_cast<int32_t>(header.height)};
                track =
                    writer->createVideoTrack(frameRect, header.pixelFormat, header.bytesPerPixel,
                                             kMovieCodec, kLosslessQuality, kMaxKeyFrameInterval);
                writer->start();
            }
            const auto timeScale =
                static_cast<uint32_t>(GetMediaTimeScale(track->quickTimeMedia()));
            const std::optional<uint32_t> duration = sampleDuration(frame, timeScale);
            if (!duration) {
                std::ostringstream message;
                message << "Frame " << index << " has a frame rate of 0: its display time is "
                        << "unknown\n";
                throw MVRCReaderException(message.str());
            }
            frameImage.blitOnto(&movieImage);
            movieImage.flipInPlace();
            track->compressAndWriteMVDImage(&movieImage,
                                            std::clamp<long>(long{*duration}, 1, INT32_MAX));
        }
    } catch (const MVRCReaderException&) {
        damage = std::current_exception();
    } catch (int) {
        damage = std::current_exception();  // a damaged zlib stream
    }
    writer->finalizeTracksWithTrackMediaDuration();
    writer->finalizeMovie();
    if (damage) {
        std::rethrow_exception(damage);
    }
}
