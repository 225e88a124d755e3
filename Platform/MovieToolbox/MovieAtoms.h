// The atoms of a QuickTime movie file, one type per atom kind.
//
// Every atom type has the same small contract:
//   OSType type() const                 the atom's four-character type
//   uint64_t payloadSize() const        bytes after the header, computed first
//   bool writePayload(ByteWriter&) const
//   bool readPayload(ByteReader&, ReadContext&)
// WriteAtom() writes the header from payloadSize() and checks that the payload
// written is exactly that long; ReadAtom() reads a payload bounded to the
// atom's size.  Readers check every count against the bytes that remain
// before they allocate, and ignore child atoms they do not know.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MovieToolbox/AtomIO.h"

namespace qtfile {

// Where a parse failed and why.
struct ReadContext {
    std::vector<OSType> path;
    std::string error;
    bool fail(const std::string& why);
};

template <class Atom>
uint64_t AtomSize(const Atom& atom) {
    return AtomSizeFor(atom.payloadSize());
}

template <class Atom>
[[nodiscard]] bool WriteAtom(ByteWriter& out, const Atom& atom) {
    uint64_t payload = atom.payloadSize();
    size_t start = out.size();
    WriteAtomHeader(out, atom.type(), payload);
    bool ok = atom.writePayload(out);
    return ok && out.size() - start == AtomSizeFor(payload);
}

template <class Atom>
[[nodiscard]] bool ReadAtom(ByteReader& payload, Atom& atom, ReadContext& context) {
    context.path.push_back(atom.type());
    bool ok = atom.readPayload(payload, context);
    if (ok && !payload.ok()) {
        ok = context.fail("truncated");
    }
    if (ok) {
        context.path.pop_back();
    }
    return ok;
}

// A 3x3 transformation: 16.16 values, except the last column (2.30).
struct Matrix {
    std::array<int32_t, 9> values{0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};
    bool operator==(const Matrix&) const = default;
    void write(ByteWriter& out) const;
    void read(ByteReader& in);
};

struct Color {
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;
    bool operator==(const Color&) const = default;
};

struct FileTypeAtom {
    OSType majorBrand = 'qt  ';
    uint32_t minorVersion = 0x20050300;
    std::vector<OSType> compatibleBrands{'qt  '};

    OSType type() const { return 'ftyp'; }
    uint64_t payloadSize() const { return 8 + 4 * compatibleBrands.size(); }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const FileTypeAtom&) const = default;
};

struct MovieHeaderAtom {
    uint64_t creationTime = 0;  // seconds since 1904
    uint64_t modificationTime = 0;
    uint32_t timeScale = 600;
    uint64_t duration = 0;
    int32_t preferredRate = 0x10000;
    int16_t preferredVolume = 0x100;
    Matrix matrix;
    uint32_t previewTime = 0;
    uint32_t previewDuration = 0;
    uint32_t posterTime = 0;
    uint32_t selectionTime = 0;
    uint32_t selectionDuration = 0;
    uint32_t currentTime = 0;
    uint32_t nextTrackID = 1;

    OSType type() const { return 'mvhd'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const MovieHeaderAtom&) const = default;
};

enum : uint32_t {
    kTrackEnabled = 1,
    kTrackInMovie = 2,
    kTrackInPreview = 4,
    kTrackInPoster = 8,
};

struct TrackHeaderAtom {
    uint32_t flags = kTrackEnabled | kTrackInMovie | kTrackInPreview | kTrackInPoster;
    uint64_t creationTime = 0;
    uint64_t modificationTime = 0;
    uint32_t trackID = 0;
    uint64_t duration = 0;  // movie time scale
    int16_t layer = 0;
    int16_t alternateGroup = 0;
    int16_t volume = 0;  // 8.8
    Matrix matrix;
    int32_t width = 0;  // 16.16
    int32_t height = 0;

    OSType type() const { return 'tkhd'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const TrackHeaderAtom&) const = default;
};

struct EditListEntry {
    int64_t trackDuration = 0;  // movie time scale
    int64_t mediaTime = 0;      // -1: empty edit
    int32_t mediaRate = 0x10000;
    bool operator==(const EditListEntry&) const = default;
};

struct EditListAtom {
    std::vector<EditListEntry> entries;

    OSType type() const { return 'elst'; }
    bool needsVersion1() const;
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const EditListAtom&) const = default;
};

// 'edts': holds the edit list.
struct EditAtom {
    EditListAtom editList;

    OSType type() const { return 'edts'; }
    uint64_t payloadSize() const { return AtomSize(editList); }
    bool writePayload(ByteWriter& out) const { return WriteAtom(out, editList); }
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const EditAtom&) const = default;
};

// The tracks one track refers to with one reference type, e.g. 'chap'.
struct TrackReferenceList {
    OSType referenceType = 0;
    std::vector<uint32_t> trackIDs;
    bool operator==(const TrackReferenceList&) const = default;
};

// 'tref': one child atom per reference type, typed by it.
struct TrackReferenceAtom {
    std::vector<TrackReferenceList> lists;

    OSType type() const { return 'tref'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const TrackReferenceAtom&) const = default;
};

struct MediaHeaderAtom {
    uint64_t creationTime = 0;
    uint64_t modificationTime = 0;
    uint32_t timeScale = 600;
    uint64_t duration = 0;
    uint16_t language = 0;  // Macintosh language code, or packed ISO 639-2
    uint16_t quality = 0;

    OSType type() const { return 'mdhd'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const MediaHeaderAtom&) const = default;
};

struct HandlerAtom {
    OSType componentType = 0;  // 'mhlr' or 'dhlr'
    OSType componentSubtype = 0;
    OSType manufacturer = 'appl';
    uint32_t componentFlags = 0;
    uint32_t componentFlagsMask = 0;
    std::string name;  // stored as a counted string

    OSType type() const { return 'hdlr'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const HandlerAtom&) const = default;
};

constexpr uint16_t kGraphicsModeDitherCopy = 0x40;

struct VideoMediaHeaderAtom {
    uint16_t graphicsMode = kGraphicsModeDitherCopy;
    Color opColor{0x8000, 0x8000, 0x8000};

    OSType type() const { return 'vmhd'; }
    uint64_t payloadSize() const { return 12; }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const VideoMediaHeaderAtom&) const = default;
};

struct SoundMediaHeaderAtom {
    int16_t balance = 0;

    OSType type() const { return 'smhd'; }
    uint64_t payloadSize() const { return 8; }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const SoundMediaHeaderAtom&) const = default;
};

struct BaseMediaInfoAtom {
    uint16_t graphicsMode = kGraphicsModeDitherCopy;
    Color opColor{0x8000, 0x8000, 0x8000};
    int16_t balance = 0;

    OSType type() const { return 'gmin'; }
    uint64_t payloadSize() const { return 16; }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const BaseMediaInfoAtom&) const = default;
};

// The text media's display matrix inside 'gmhd'.
struct TextMediaInfoAtom {
    Matrix matrix;

    OSType type() const { return 'text'; }
    uint64_t payloadSize() const { return 36; }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const TextMediaInfoAtom&) const = default;
};

// 'gmhd': the media header of media other than video and sound.
struct BaseMediaHeaderAtom {
    BaseMediaInfoAtom info;
    std::optional<TextMediaInfoAtom> text;

    OSType type() const { return 'gmhd'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const BaseMediaHeaderAtom&) const = default;
};

struct DataReferenceEntry {
    OSType type = 'alis';
    uint32_t flags = 1;  // 1: the data is in the movie's own file
    std::vector<uint8_t> data;
    bool operator==(const DataReferenceEntry&) const = default;
};

struct DataReferenceAtom {
    std::vector<DataReferenceEntry> entries{DataReferenceEntry{}};

    OSType type() const { return 'dref'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const DataReferenceAtom&) const = default;
};

struct DataInformationAtom {
    DataReferenceAtom references;

    OSType type() const { return 'dinf'; }
    uint64_t payloadSize() const { return AtomSize(references); }
    bool writePayload(ByteWriter& out) const { return WriteAtom(out, references); }
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const DataInformationAtom&) const = default;
};

// 'stsd': each entry whole and as stored (size and format included).
struct SampleDescriptionAtom {
    std::vector<std::vector<uint8_t>> entries;

    OSType type() const { return 'stsd'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const SampleDescriptionAtom&) const = default;
};

struct TimeToSampleEntry {
    uint32_t sampleCount = 0;
    uint32_t sampleDuration = 0;
    bool operator==(const TimeToSampleEntry&) const = default;
};

struct TimeToSampleAtom {
    std::vector<TimeToSampleEntry> entries;

    OSType type() const { return 'stts'; }
    uint64_t payloadSize() const { return 8 + 8 * entries.size(); }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const TimeToSampleAtom&) const = default;
};

struct CompositionOffsetEntry {
    uint32_t sampleCount = 0;
    int32_t offset = 0;
    bool operator==(const CompositionOffsetEntry&) const = default;
};

struct CompositionOffsetAtom {
    std::vector<CompositionOffsetEntry> entries;

    OSType type() const { return 'ctts'; }
    uint64_t payloadSize() const { return 8 + 8 * entries.size(); }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const CompositionOffsetAtom&) const = default;
};

// 'stss': the 1-based numbers of the sync samples, ascending.
struct SyncSampleAtom {
    std::vector<uint32_t> sampleNumbers;

    OSType type() const { return 'stss'; }
    uint64_t payloadSize() const { return 8 + 4 * sampleNumbers.size(); }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const SyncSampleAtom&) const = default;
};

struct SampleToChunkEntry {
    uint32_t firstChunk = 1;
    uint32_t samplesPerChunk = 0;
    uint32_t descriptionIndex = 1;
    bool operator==(const SampleToChunkEntry&) const = default;
};

struct SampleToChunkAtom {
    std::vector<SampleToChunkEntry> entries;

    OSType type() const { return 'stsc'; }
    uint64_t payloadSize() const { return 8 + 12 * entries.size(); }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const SampleToChunkAtom&) const = default;
};

// 'stsz': either one size for every sample or a size per sample.
struct SampleSizeAtom {
    uint32_t constantSize = 0;
    uint32_t sampleCount = 0;
    std::vector<uint32_t> sizes;  // only when constantSize is 0

    OSType type() const { return 'stsz'; }
    uint64_t payloadSize() const { return 12 + 4 * sizes.size(); }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const SampleSizeAtom&) const = default;
};

// 'stco' with 32-bit offsets, or 'co64' when an offset needs more.
struct ChunkOffsetAtom {
    std::vector<uint64_t> offsets;
    bool largeOffsets = false;  // set by the reader from the atom type; see type()

    OSType type() const;
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const ChunkOffsetAtom& other) const { return offsets == other.offsets; }
};

struct SampleTableAtom {
    SampleDescriptionAtom descriptions;
    TimeToSampleAtom timeToSample;
    std::optional<CompositionOffsetAtom> compositionOffsets;
    std::optional<SyncSampleAtom> syncSamples;  // absent: every sample is a sync sample
    SampleToChunkAtom sampleToChunk;
    SampleSizeAtom sampleSizes;
    ChunkOffsetAtom chunkOffsets;

    OSType type() const { return 'stbl'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const SampleTableAtom&) const = default;
};

struct MediaInformationAtom {
    std::optional<VideoMediaHeaderAtom> videoHeader;
    std::optional<SoundMediaHeaderAtom> soundHeader;
    std::optional<BaseMediaHeaderAtom> baseHeader;
    std::optional<HandlerAtom> dataHandler;
    std::optional<DataInformationAtom> dataInformation;
    SampleTableAtom sampleTable;

    OSType type() const { return 'minf'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const MediaInformationAtom&) const = default;
};

struct MediaAtom {
    MediaHeaderAtom header;
    HandlerAtom handler;
    MediaInformationAtom information;

    OSType type() const { return 'mdia'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const MediaAtom&) const = default;
    // The media type, from the media handler ('vide', 'soun', 'text', ...).
    OSType mediaType() const { return handler.componentSubtype; }
};

struct TrackAtom {
    TrackHeaderAtom header;
    std::optional<EditAtom> edits;
    std::optional<TrackReferenceAtom> references;
    MediaAtom media;

    OSType type() const { return 'trak'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const TrackAtom&) const = default;
};

// 'clip' holding a 'crgn' region: only the region's bounding box is kept, as
// regions written here are rectangles.
struct ClipAtom {
    int16_t top = 0, left = 0, bottom = 0, right = 0;

    OSType type() const { return 'clip'; }
    uint64_t payloadSize() const { return 8 + 10; }
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const ClipAtom&) const = default;
};

struct MovieAtom {
    MovieHeaderAtom header;
    std::optional<ClipAtom> clip;
    std::vector<TrackAtom> tracks;

    OSType type() const { return 'moov'; }
    uint64_t payloadSize() const;
    bool writePayload(ByteWriter& out) const;
    bool readPayload(ByteReader& in, ReadContext& context);
    bool operator==(const MovieAtom&) const = default;
};

}  // namespace qtfile
