#include "QuickTime/QTRecovery.h"

#include <sys/stat.h>

#include <cstring>
#include <sstream>

#include "Base/MacMemory.h"
#include "CoreFoundation/CFData.h"
#include "CoreFoundation/CFString.h"
#include "MVDCommon/MVDException.h"
#include "QuickTime/QTAudioTrack.h"
#include "QuickTime/QTWriter.h"

namespace {

constexpr uint32_t kMaxMovieSide = 32767;

uint32_t Load32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

int64_t Load64(const unsigned char* p) {
    return static_cast<int64_t>(uint64_t{Load32(p)} | uint64_t{Load32(p + 4)} << 32);
}

[[noreturn]] void Damaged(const std::string& what) {
    throw MVDException("Damaged recovery index: " + what);
}

// True when both paths name one file that exists.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa;
    struct stat sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// How many samples an audio record stands for.  Its count is the number of
// sample references the media reported (1), not of samples: a buffer of
// uncompressed sound is many samples of duration 1, one frame of the
// track's channels and sample size each; a compressed packet is one sample.
int32_t SamplesInRecord(const QTAudioTrack& track, uint32_t size, int32_t duration, int32_t count) {
    const uint64_t frameBytes = uint64_t{track.bitsPerSample() / 8} * track.channels();
    if (count <= 1 && duration == 1 && frameBytes > 0 && size % frameBytes == 0) {
        return static_cast<int32_t>(size / frameBytes);
    }
    return count;
}

// A sample record must name a track that a header record made known.
template <class Track, class Header>
void RequireHeader(const std::map<uint32_t, Track*>& tracks,
                   const std::map<uint32_t, Header>& headers, const char* kind, uint32_t number) {
    if (tracks.count(number) == 0 && headers.count(number) == 0) {
        Damaged(std::string("a ") + kind + " sample of track " + std::to_string(number) +
                ", which has no header");
    }
}

}  // namespace

QTRecovery::QTRecovery(const std::string& indexPath, const std::string& dataPath,
                       const std::string& moviePath)
    : m_indexPath(indexPath), m_dataPath(dataPath), m_moviePath(moviePath) {
    m_index = std::fopen(indexPath.c_str(), "r");
    if (m_index == nullptr) {
        throw MVDException("Could not open recovery index file!");
    }
    m_data = std::fopen(dataPath.c_str(), "r");
    if (m_data == nullptr) {
        closeFiles();
        throw MVDException("Could not open data file!");
    }
    if (std::fseek(m_data, 0, SEEK_END) == 0) {
        const long size = std::ftell(m_data);
        m_dataSize = size > 0 ? static_cast<uint64_t>(size) : 0;
    }
}

QTRecovery::~QTRecovery() {
    releaseAll();
}

void QTRecovery::closeFiles() {
    if (m_index != nullptr) {
        std::fclose(m_index);
        m_index = nullptr;
    }
    if (m_data != nullptr) {
        std::fclose(m_data);
        m_data = nullptr;
    }
}

void QTRecovery::releaseAll() {
    for (auto& [number, track] : m_videoTracks) {
        track->release();
    }
    for (auto& [number, track] : m_audioTracks) {
        track->release();
    }
    for (auto& [number, track] : m_textTracks) {
        track->release();
    }
    for (auto& [text, owner] : m_chapterLinks) {
        text->release();
    }
    m_videoTracks.clear();
    m_audioTracks.clear();
    m_textTracks.clear();
    m_chapterLinks.clear();
    for (auto* map : {&m_imageDescriptions, &m_soundDescriptions}) {
        for (auto& [number, handle] : *map) {
            DisposeHandle(handle);
        }
        map->clear();
    }
    closeFiles();
    if (m_writer != nullptr) {
        m_writer->release();
        m_writer = nullptr;
    }
}

bool QTRecovery::recoverQTMovie() {
    if (m_index == nullptr || m_data == nullptr || !readHeader()) {
        releaseAll();
        return false;
    }
    try {
        for (;;) {
            const bool more = readNextData();
            std::printf("Offset = %lld\n", static_cast<long long>(m_lastDataOffset));
            if (!more) {
                break;
            }
        }
    } catch (...) {
        // The complete records before the damage still make a movie.
        finalize();
        throw;
    }
    return finalize();
}

bool QTRecovery::readIndex(void* into, size_t n) {
    return m_index != nullptr && std::fread(into, 1, n, m_index) == n;
}

bool QTRecovery::readU32(uint32_t* value) {
    unsigned char bytes[4];
    if (!readIndex(bytes, sizeof bytes)) {
        return false;
    }
    *value = Load32(bytes);
    return true;
}

bool QTRecovery::readHeader() {
    if (m_writer != nullptr) {
        return true;
    }
    unsigned char bytes[12];
    if (!readIndex(bytes, sizeof bytes) || std::memcmp(bytes, "RCVR", 4) != 0) {
        return false;
    }
    m_width = Load32(bytes + 4);
    m_height = Load32(bytes + 8);
    // The new movie must not replace the files it is rebuilt from.
    if (m_width < 1 || m_width > kMaxMovieSide || m_height < 1 || m_height > kMaxMovieSide ||
        SameFile(m_moviePath, m_dataPath) || SameFile(m_moviePath, m_indexPath)) {
        return false;
    }
    m_writer = new QTWriter(m_moviePath, m_width, m_height, false, nullptr);
    m_writer->retain();
    return true;
}

bool QTRecovery::readNextData() {
    if (m_writer == nullptr) {
        return false;
    }
    char label[4];
    if (!readIndex(label, sizeof label)) {
        return false;
    }
    const std::string name(label, sizeof label);
    if (name == "QTVH") {
        return readVideoHeader();
    }
    if (name == "QTAH") {
        return readAudioHeader();
    }
    if (name == "QTTH") {
        return readTextHeader();
    }
    if (name == "QTVS") {
        return readVideoSample();
    }
    if (name == "QTAS") {
        return readAudioSample();
    }
    if (name == "QTTS") {
        return readTextSample();
    }
    throw MVDException("Invalid recovery header label!");
}

bool QTRecovery::readVideoHeader() {
    unsigned char bytes[4 + 16 + 36 + 2];
    if (!readIndex(bytes, sizeof bytes)) {
        return false;
    }
    const uint32_t number = Load32(bytes);
    VideoHeader header;
    header.rect = {static_cast<int32_t>(Load32(bytes + 4)), static_cast<int32_t>(Load32(bytes + 8)),
                   static_cast<int32_t>(Load32(bytes + 12)),
                   static_cast<int32_t>(Load32(bytes + 16))};
    if (header.rect.width < 1 || header.rect.height < 1 ||
        static_cast<uint32_t>(header.rect.width) > kMaxMovieSide ||
        static_cast<uint32_t>(header.rect.height) > kMaxMovieSide) {
        Damaged("video track " + std::to_string(number) + " has an impossible size");
    }
    for (int i = 0; i < 9; ++i) {
        header.matrix.matrix[i / 3][i % 3] = static_cast<Fixed>(Load32(bytes + 20 + 4 * i));
    }
    header.layer = static_cast<short>(bytes[56] | bytes[57] << 8);
    m_videoHeaders[number] = header;
    forgetTrack(m_videoTracks, &m_imageDescriptions, number);
    return true;
}

bool QTRecovery::readAudioHeader() {
    unsigned char bytes[16];
    if (!readIndex(bytes, sizeof bytes)) {
        return false;
    }
    const uint32_t number = Load32(bytes);
    m_audioHeaders[number] = {Load32(bytes + 4), Load32(bytes + 8), Load32(bytes + 12)};
    forgetTrack(m_audioTracks, &m_soundDescriptions, number);
    return true;
}

bool QTRecovery::readTextHeader() {
    unsigned char bytes[8];
    if (!readIndex(bytes, sizeof bytes)) {
        return false;
    }
    const uint32_t number = Load32(bytes);
    m_textHeaders[number] = Load32(bytes + 4);
    forgetTrack(m_textTracks, nullptr, number);
    return true;
}

template <class Track>
void QTRecovery::forgetTrack(std::map<uint32_t, Track*>& tracks,
                             std::map<uint32_t, Handle>* descriptions, uint32_t number) {
    if (auto it = tracks.find(number); it != tracks.end()) {
        it->second->release();  // the writer keeps it, with its samples
        tracks.erase(it);
    }
    if (descriptions == nullptr) {
        return;
    }
    if (auto it = descriptions->find(number); it != descriptions->end()) {
        DisposeHandle(it->second);
        descriptions->erase(it);
    }
}

QTICMVideoTrack* QTRecovery::videoTrack(uint32_t number) {
    if (auto it = m_videoTracks.find(number); it != m_videoTracks.end()) {
        return it->second;
    }
    const auto header = m_videoHeaders.find(number);
    QTICMVideoTrack* track =
        m_writer->createRecoveryVideoTrack(header->second.rect, header->second.matrix);
    track->retain();
    m_videoTracks[number] = track;
    track->setTrackLayer(header->second.layer);
    track->startTrack();
    return track;
}

QTAudioTrack* QTRecovery::audioTrack(uint32_t number) {
    if (auto it = m_audioTracks.find(number); it != m_audioTracks.end()) {
        return it->second;
    }
    const auto header = m_audioHeaders.find(number);
    const AudioHeader& h = header->second;
    QTAudioTrack* track =
        m_writer->createRecoveryAudioTrack(h.channels, h.sampleRate, h.bitsPerSample, 0);
    track->retain();
    m_audioTracks[number] = track;
    track->startTrack();
    return track;
}

QTTextTrack* QTRecovery::textTrack(uint32_t number) {
    if (auto it = m_textTracks.find(number); it != m_textTracks.end()) {
        return it->second;
    }
    const auto header = m_textHeaders.find(number);
    QTTextTrack* track = m_writer->createRecoveryTextTrack();
    track->retain();
    m_textTracks[number] = track;
    track->retain();  // held by the chapter link too
    m_chapterLinks.emplace_back(track, header->second);
    track->startTrack();
    return track;
}

// Text tracks become chapter tracks of their owners, when those have made
// it into the movie.
void QTRecovery::addChapterReferences() {
    for (auto& [text, owner] : m_chapterLinks) {
        if (auto video = m_videoTracks.find(owner); video != m_videoTracks.end()) {
            video->second->addTrackReference(text->quickTimeTrack(), kTrackReferenceChapterList);
        }
    }
}

// The description part of a sample record: present in the track's first
// record only (known == false).  Its size is checked before it is read.
bool QTRecovery::readDescription(uint32_t track, bool known, std::vector<uint8_t>* description) {
    description->clear();
    if (known) {
        return true;
    }
    uint32_t size = 0;
    if (!readU32(&size)) {
        return false;
    }
    if (size < sizeof(SampleDescription) || size > kMaxDescriptionSize) {
        Damaged("the description of track " + std::to_string(track) + " claims " +
                std::to_string(size) + " bytes");
    }
    description->resize(size);
    if (!readIndex(description->data(), size)) {
        return false;
    }
    if (Load32(description->data()) != size) {
        Damaged("the description of track " + std::to_string(track) + " disagrees with its size");
    }
    return true;
}

// Reads a sample's bytes from the data file into the sample buffer, which
// grows to the largest sample met and never shrinks.
void QTRecovery::readSampleData(int64_t offset, uint32_t size) {
    if (offset < 0 || size == 0 || size > kMaxSampleSize ||
        static_cast<uint64_t>(offset) > m_dataSize ||
        size > m_dataSize - static_cast<uint64_t>(offset)) {
        std::ostringstream what;
        what << "a sample of " << size << " bytes at " << offset << " lies outside the data file";
        Damaged(what.str());
    }
    if (m_sampleBuffer.size() < size) {
        m_sampleBuffer.resize(size);
    }
    if (std::fseek(m_data, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fread(m_sampleBuffer.data(), 1, size, m_data) != size) {
        Damaged("the data file cannot be read");
    }
}

Handle QTRecovery::storeDescription(std::map<uint32_t, Handle>& map, uint32_t track,
                                    const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) {
        return map.at(track);
    }
    Handle handle = NewHandleClear(static_cast<Size>(bytes.size()));
    if (handle == nullptr) {
        throw MVDException("Out of memory for a sample description");
    }
    std::memcpy(*handle, bytes.data(), bytes.size());
    map[track] = handle;
    return handle;
}

// Reads the rest of a video or sound sample record whole (its track number,
// the description of a track's first sample, the data offset, size, time,
// duration and count, and for video the flags), then the sample's bytes
// into the sample buffer.  False when the index ends first.
template <class Track, class Header>
bool QTRecovery::readSampleRecord(const std::map<uint32_t, Track*>& tracks,
                                  const std::map<uint32_t, Header>& headers,
                                  std::map<uint32_t, Handle>& descriptions, const char* kind,
                                  size_t minimumDescription, SampleRecord* record) {
    if (!readU32(&record->track)) {
        return false;
    }
    RequireHeader(tracks, headers, kind, record->track);
    std::vector<uint8_t> description;
    if (!readDescription(record->track, descriptions.count(record->track) != 0, &description)) {
        return false;
    }
    if (!description.empty() && description.size() < minimumDescription) {
        Damaged(std::string("a ") + kind + " description shorter than its fixed record");
    }
    unsigned char bytes[8 + 4 * 5];
    const size_t length = record->flags != nullptr ? sizeof bytes : sizeof bytes - 4;
    if (!readIndex(bytes, length)) {
        return false;
    }
    const int64_t offset = Load64(bytes);
    record->size = Load32(bytes + 8);
    record->duration = static_cast<int32_t>(Load32(bytes + 16));
    record->count = static_cast<int32_t>(Load32(bytes + 20));
    if (record->flags != nullptr) {
        *record->flags = Load32(bytes + 24);
    }
    m_lastDataOffset = offset;
    readSampleData(offset, record->size);
    record->description = storeDescription(descriptions, record->track, description);
    return true;
}

bool QTRecovery::readVideoSample() {
    uint32_t flags = 0;
    SampleRecord record;
    record.flags = &flags;
    if (!readSampleRecord(m_videoTracks, m_videoHeaders, m_imageDescriptions, "video",
                          sizeof(ImageDescription), &record)) {
        return false;
    }
    videoTrack(record.track)
        ->writeSample(m_sampleBuffer.data(), static_cast<int>(record.size), record.duration,
                      reinterpret_cast<ImageDescriptionHandle>(record.description), flags);
    return true;
}

bool QTRecovery::readAudioSample() {
    SampleRecord record;
    if (!readSampleRecord(m_audioTracks, m_audioHeaders, m_soundDescriptions, "sound",
                          sizeof(SoundDescription), &record)) {
        return false;
    }
    QTAudioTrack* track = audioTrack(record.track);
    track->writeSample(m_sampleBuffer.data(), static_cast<int>(record.size), record.duration,
                       reinterpret_cast<SoundDescriptionHandle>(record.description),
                       SamplesInRecord(*track, record.size, record.duration, record.count),
                       nullptr);
    return true;
}

bool QTRecovery::readTextSample() {
    unsigned char bytes[12];
    if (!readIndex(bytes, sizeof bytes)) {
        return false;
    }
    const uint32_t number = Load32(bytes);
    const uint32_t length = Load32(bytes + 4);
    const auto encoding = static_cast<CFStringEncoding>(Load32(bytes + 8));
    RequireHeader(m_textTracks, m_textHeaders, "text", number);
    if (length > kMaxTextLength) {
        Damaged("a text sample of " + std::to_string(length) + " bytes");
    }
    std::vector<UInt8> text(length);
    unsigned char duration[8];
    if (!readIndex(text.data(), length) || !readIndex(duration, sizeof duration)) {
        return false;
    }
    CFDataRef data = CFDataCreate(nullptr, text.data(), static_cast<CFIndex>(length));
    CFStringRef string = data != nullptr
                             ? CFStringCreateFromExternalRepresentation(nullptr, data, encoding)
                             : nullptr;
    if (data != nullptr) {
        CFRelease(data);
    }
    if (string == nullptr) {
        Damaged("a text sample that is not text in its encoding");
    }
    try {
        textTrack(number)->writeTextSample(string, Load64(duration));
    } catch (...) {
        CFRelease(string);
        throw;
    }
    CFRelease(string);
    return true;
}

bool QTRecovery::finalize() {
    bool result = m_writer != nullptr;
    if (m_writer != nullptr) {
        try {
            addChapterReferences();
            m_writer->finalizeTracksWithTrackMediaDuration();
            m_writer->finalizeMovie();
        } catch (...) {
            std::fputs("Captured an excpetion!!", stderr);
            result = false;
        }
    }
    releaseAll();
    return result;
}
