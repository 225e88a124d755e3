#include "MovieToolbox/MovieAtoms.h"

#include <algorithm>
#include <limits>

namespace qtfile {

namespace {

constexpr uint64_t kMax32 = std::numeric_limits<uint32_t>::max();

void WriteVersionAndFlags(ByteWriter& out, uint8_t version, uint32_t flags) {
    out.u32((static_cast<uint32_t>(version) << 24) | (flags & 0xFFFFFF));
}

// Reads a full atom's version and flags; only versions 0 and 1 are known.
bool ReadVersionAndFlags(ByteReader& in, ReadContext& context, uint8_t& version, uint32_t& flags) {
    uint32_t word = in.u32();
    version = static_cast<uint8_t>(word >> 24);
    flags = word & 0xFFFFFF;
    if (!in.ok()) {
        return context.fail("truncated");
    }
    if (version > 1) {
        return context.fail("unknown version " + std::to_string(version));
    }
    return true;
}

bool ReadVersion0Or1(ByteReader& in, ReadContext& context, uint8_t& version) {
    uint32_t flags = 0;
    return ReadVersionAndFlags(in, context, version, flags);
}

// A count read from a table header, checked against the entries the
// remaining bytes can hold before anything is allocated.
bool ReadCount(ByteReader& in, ReadContext& context, size_t entrySize, uint32_t& count) {
    count = in.u32();
    if (!in.ok()) {
        return context.fail("truncated");
    }
    if (count > in.remaining() / entrySize) {
        return context.fail("entry count " + std::to_string(count) + " exceeds the atom");
    }
    return true;
}

// Tables: version and flags, an entry count, then the entries.  The count is
// checked against the bytes left before the entries are allocated.
template <class Entry, class WriteEntry>
void WriteTable(ByteWriter& out, const std::vector<Entry>& entries, WriteEntry writeEntry) {
    WriteVersionAndFlags(out, 0, 0);
    out.u32(static_cast<uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        writeEntry(e);
    }
}

template <class Entry, class ReadEntry>
bool ReadTable(ByteReader& in, ReadContext& context, size_t entrySize, std::vector<Entry>& entries,
               ReadEntry readEntry) {
    uint8_t version = 0;
    uint32_t count = 0;
    if (!ReadVersion0Or1(in, context, version) || !ReadCount(in, context, entrySize, count)) {
        return false;
    }
    entries.resize(count);
    for (Entry& e : entries) {
        readEntry(e);
    }
    return true;
}

// Times and durations: 32 bits in version 0, 64 in version 1.
uint64_t ReadTime(ByteReader& in, uint8_t version) {
    return version == 1 ? in.u64() : in.u32();
}

void WriteTime(ByteWriter& out, uint8_t version, uint64_t value) {
    if (version == 1) {
        out.u64(value);
    } else {
        out.u32(static_cast<uint32_t>(value));
    }
}

uint8_t VersionFor(std::initializer_list<uint64_t> values) {
    return std::any_of(values.begin(), values.end(), [](uint64_t v) { return v > kMax32; }) ? 1 : 0;
}

void WriteColor(ByteWriter& out, const Color& color) {
    out.u16(color.red);
    out.u16(color.green);
    out.u16(color.blue);
}

Color ReadColor(ByteReader& in) {
    Color color;
    color.red = in.u16();
    color.green = in.u16();
    color.blue = in.u16();
    return color;
}

// Visits the child atoms of a container payload; the visitor returns false
// to stop with the failure it has recorded in the context.
template <class Visitor>
bool ForEachChild(ByteReader& in, ReadContext& context, Visitor visit) {
    while (in.remaining() > 0) {
        if (in.remaining() < 8) {
            // Some writers end containers with a 32-bit zero terminator.
            if (in.remaining() == 4 && in.u32() == 0) {
                return true;
            }
            return context.fail("stray bytes at the end of a container");
        }
        AtomHeader header;
        ByteReader payload;
        if (!NextAtom(in, header, payload)) {
            return context.fail("child atom larger than its container");
        }
        if (!visit(header, payload)) {
            return false;
        }
    }
    return true;
}

template <class Atom>
bool ReadOptional(ByteReader& payload, std::optional<Atom>& slot, ReadContext& context) {
    slot.emplace();
    return ReadAtom(payload, *slot, context);
}

bool Require(bool present, ReadContext& context, const char* what) {
    return present || context.fail(std::string("missing ") + what);
}

template <class Atom>
uint64_t OptionalSize(const std::optional<Atom>& atom) {
    return atom ? AtomSize(*atom) : 0;
}

template <class Atom>
bool WriteOptional(ByteWriter& out, const std::optional<Atom>& atom) {
    return !atom || WriteAtom(out, *atom);
}

}  // namespace

bool ReadContext::fail(const std::string& why) {
    if (error.empty()) {
        std::string where;
        for (OSType type : path) {
            where += (where.empty() ? "" : "/") + FourCCText(type);
        }
        error = (where.empty() ? "file" : "'" + where + "'") + ": " + why;
    }
    return false;
}

void Matrix::write(ByteWriter& out) const {
    for (int32_t v : values) {
        out.s32(v);
    }
}

void Matrix::read(ByteReader& in) {
    for (int32_t& v : values) {
        v = in.s32();
    }
}

// ftyp

bool FileTypeAtom::writePayload(ByteWriter& out) const {
    out.fourcc(majorBrand);
    out.u32(minorVersion);
    for (OSType brand : compatibleBrands) {
        out.fourcc(brand);
    }
    return true;
}

bool FileTypeAtom::readPayload(ByteReader& in, ReadContext&) {
    majorBrand = in.fourcc();
    minorVersion = in.u32();
    compatibleBrands.clear();
    while (in.ok() && in.remaining() >= 4) {
        compatibleBrands.push_back(in.fourcc());
    }
    return true;
}

// mvhd

uint64_t MovieHeaderAtom::payloadSize() const {
    return VersionFor({creationTime, modificationTime, duration}) == 1 ? 112 : 100;
}

bool MovieHeaderAtom::writePayload(ByteWriter& out) const {
    uint8_t version = VersionFor({creationTime, modificationTime, duration});
    WriteVersionAndFlags(out, version, 0);
    WriteTime(out, version, creationTime);
    WriteTime(out, version, modificationTime);
    out.u32(timeScale);
    WriteTime(out, version, duration);
    out.s32(preferredRate);
    out.s16(preferredVolume);
    out.zeros(10);
    matrix.write(out);
    for (uint32_t v : {previewTime, previewDuration, posterTime, selectionTime, selectionDuration,
                       currentTime, nextTrackID}) {
        out.u32(v);
    }
    return true;
}

bool MovieHeaderAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    if (!ReadVersion0Or1(in, context, version)) {
        return false;
    }
    creationTime = ReadTime(in, version);
    modificationTime = ReadTime(in, version);
    timeScale = in.u32();
    duration = ReadTime(in, version);
    preferredRate = in.s32();
    preferredVolume = in.s16();
    in.skip(10);
    matrix.read(in);
    for (uint32_t* v : {&previewTime, &previewDuration, &posterTime, &selectionTime,
                        &selectionDuration, &currentTime, &nextTrackID}) {
        *v = in.u32();
    }
    return true;
}

// tkhd

uint64_t TrackHeaderAtom::payloadSize() const {
    return VersionFor({creationTime, modificationTime, duration}) == 1 ? 96 : 84;
}

bool TrackHeaderAtom::writePayload(ByteWriter& out) const {
    uint8_t version = VersionFor({creationTime, modificationTime, duration});
    WriteVersionAndFlags(out, version, flags);
    WriteTime(out, version, creationTime);
    WriteTime(out, version, modificationTime);
    out.u32(trackID);
    out.u32(0);
    WriteTime(out, version, duration);
    out.zeros(8);
    out.s16(layer);
    out.s16(alternateGroup);
    out.s16(volume);
    out.u16(0);
    matrix.write(out);
    out.s32(width);
    out.s32(height);
    return true;
}

bool TrackHeaderAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    if (!ReadVersionAndFlags(in, context, version, flags)) {
        return false;
    }
    creationTime = ReadTime(in, version);
    modificationTime = ReadTime(in, version);
    trackID = in.u32();
    in.skip(4);
    duration = ReadTime(in, version);
    in.skip(8);
    layer = in.s16();
    alternateGroup = in.s16();
    volume = in.s16();
    in.skip(2);
    matrix.read(in);
    width = in.s32();
    height = in.s32();
    return true;
}

// elst

bool EditListAtom::needsVersion1() const {
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int64_t kMaxS = std::numeric_limits<int32_t>::max();
    return std::any_of(entries.begin(), entries.end(), [](const EditListEntry& e) {
        return e.trackDuration > static_cast<int64_t>(kMax32) || e.trackDuration < 0 ||
               e.mediaTime < kMin || e.mediaTime > kMaxS;
    });
}

uint64_t EditListAtom::payloadSize() const {
    return 8 + entries.size() * (needsVersion1() ? 20 : 12);
}

bool EditListAtom::writePayload(ByteWriter& out) const {
    bool wide = needsVersion1();
    WriteVersionAndFlags(out, wide ? 1 : 0, 0);
    out.u32(static_cast<uint32_t>(entries.size()));
    for (const EditListEntry& e : entries) {
        if (wide) {
            out.s64(e.trackDuration);
            out.s64(e.mediaTime);
        } else {
            out.u32(static_cast<uint32_t>(e.trackDuration));
            out.s32(static_cast<int32_t>(e.mediaTime));
        }
        out.s32(e.mediaRate);
    }
    return true;
}

bool EditListAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    uint32_t count = 0;
    if (!ReadVersion0Or1(in, context, version) ||
        !ReadCount(in, context, version == 1 ? 20 : 12, count)) {
        return false;
    }
    entries.resize(count);
    for (EditListEntry& e : entries) {
        if (version == 1) {
            e.trackDuration = in.s64();
            e.mediaTime = in.s64();
        } else {
            e.trackDuration = in.u32();
            e.mediaTime = in.s32();
        }
        e.mediaRate = in.s32();
    }
    return true;
}

bool EditAtom::readPayload(ByteReader& in, ReadContext& context) {
    bool found = false;
    return ForEachChild(in, context,
                        [&](const AtomHeader& header, ByteReader& payload) {
                            if (header.type != 'elst') {
                                return true;
                            }
                            found = true;
                            return ReadAtom(payload, editList, context);
                        }) &&
           Require(found, context, "'elst'");
}

// tref

uint64_t TrackReferenceAtom::payloadSize() const {
    uint64_t total = 0;
    for (const TrackReferenceList& list : lists) {
        total += AtomSizeFor(4 * list.trackIDs.size());
    }
    return total;
}

bool TrackReferenceAtom::writePayload(ByteWriter& out) const {
    for (const TrackReferenceList& list : lists) {
        WriteAtomHeader(out, list.referenceType, 4 * list.trackIDs.size());
        for (uint32_t id : list.trackIDs) {
            out.u32(id);
        }
    }
    return true;
}

bool TrackReferenceAtom::readPayload(ByteReader& in, ReadContext& context) {
    lists.clear();
    return ForEachChild(in, context, [&](const AtomHeader& header, ByteReader& payload) {
        TrackReferenceList list;
        list.referenceType = header.type;
        list.trackIDs.resize(payload.remaining() / 4);
        for (uint32_t& id : list.trackIDs) {
            id = payload.u32();
        }
        lists.push_back(std::move(list));
        return true;
    });
}

// mdhd

uint64_t MediaHeaderAtom::payloadSize() const {
    return VersionFor({creationTime, modificationTime, duration}) == 1 ? 36 : 24;
}

bool MediaHeaderAtom::writePayload(ByteWriter& out) const {
    uint8_t version = VersionFor({creationTime, modificationTime, duration});
    WriteVersionAndFlags(out, version, 0);
    WriteTime(out, version, creationTime);
    WriteTime(out, version, modificationTime);
    out.u32(timeScale);
    WriteTime(out, version, duration);
    out.u16(language);
    out.u16(quality);
    return true;
}

bool MediaHeaderAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    if (!ReadVersion0Or1(in, context, version)) {
        return false;
    }
    creationTime = ReadTime(in, version);
    modificationTime = ReadTime(in, version);
    timeScale = in.u32();
    duration = ReadTime(in, version);
    language = in.u16();
    quality = in.u16();
    return true;
}

// hdlr

uint64_t HandlerAtom::payloadSize() const {
    return 24 + 1 + std::min<size_t>(name.size(), 255);
}

bool HandlerAtom::writePayload(ByteWriter& out) const {
    WriteVersionAndFlags(out, 0, 0);
    out.fourcc(componentType);
    out.fourcc(componentSubtype);
    out.fourcc(manufacturer);
    out.u32(componentFlags);
    out.u32(componentFlagsMask);
    out.pascalString(name);
    return true;
}

bool HandlerAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    if (!ReadVersion0Or1(in, context, version)) {
        return false;
    }
    componentType = in.fourcc();
    componentSubtype = in.fourcc();
    manufacturer = in.fourcc();
    componentFlags = in.u32();
    componentFlagsMask = in.u32();
    name.clear();
    if (in.remaining() > 0) {
        // A counted string when its count fits, else (as some writers do) a
        // C string filling the rest of the atom.
        ByteReader peek = in;
        size_t length = peek.u8();
        if (length < in.remaining()) {
            name = in.pascalString();
        } else {
            auto rest = in.bytes(in.remaining());
            name.assign(rest.begin(), std::find(rest.begin(), rest.end(), 0));
        }
    }
    return true;
}

// vmhd, smhd, gmin, text

bool VideoMediaHeaderAtom::writePayload(ByteWriter& out) const {
    WriteVersionAndFlags(out, 0, 1);
    out.u16(graphicsMode);
    WriteColor(out, opColor);
    return true;
}

bool VideoMediaHeaderAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    if (!ReadVersion0Or1(in, context, version)) {
        return false;
    }
    graphicsMode = in.u16();
    opColor = ReadColor(in);
    return true;
}

bool SoundMediaHeaderAtom::writePayload(ByteWriter& out) const {
    WriteVersionAndFlags(out, 0, 0);
    out.s16(balance);
    out.u16(0);
    return true;
}

bool SoundMediaHeaderAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    if (!ReadVersion0Or1(in, context, version)) {
        return false;
    }
    balance = in.s16();
    in.skip(2);
    return true;
}

bool BaseMediaInfoAtom::writePayload(ByteWriter& out) const {
    WriteVersionAndFlags(out, 0, 0);
    out.u16(graphicsMode);
    WriteColor(out, opColor);
    out.s16(balance);
    out.u16(0);
    return true;
}

bool BaseMediaInfoAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    if (!ReadVersion0Or1(in, context, version)) {
        return false;
    }
    graphicsMode = in.u16();
    opColor = ReadColor(in);
    balance = in.s16();
    in.skip(2);
    return true;
}

bool TextMediaInfoAtom::writePayload(ByteWriter& out) const {
    matrix.write(out);
    return true;
}

bool TextMediaInfoAtom::readPayload(ByteReader& in, ReadContext&) {
    matrix.read(in);
    return true;
}

// gmhd

uint64_t BaseMediaHeaderAtom::payloadSize() const {
    return AtomSize(info) + OptionalSize(text);
}

bool BaseMediaHeaderAtom::writePayload(ByteWriter& out) const {
    return WriteAtom(out, info) && WriteOptional(out, text);
}

bool BaseMediaHeaderAtom::readPayload(ByteReader& in, ReadContext& context) {
    bool found = false;
    return ForEachChild(in, context,
                        [&](const AtomHeader& header, ByteReader& payload) {
                            if (header.type == 'gmin') {
                                found = true;
                                return ReadAtom(payload, info, context);
                            }
                            if (header.type == 'text') {
                                return ReadOptional(payload, text, context);
                            }
                            return true;
                        }) &&
           Require(found, context, "'gmin'");
}

// dref, dinf

uint64_t DataReferenceAtom::payloadSize() const {
    uint64_t total = 8;
    for (const DataReferenceEntry& entry : entries) {
        total += AtomSizeFor(4 + entry.data.size());
    }
    return total;
}

bool DataReferenceAtom::writePayload(ByteWriter& out) const {
    WriteVersionAndFlags(out, 0, 0);
    out.u32(static_cast<uint32_t>(entries.size()));
    for (const DataReferenceEntry& entry : entries) {
        WriteAtomHeader(out, entry.type, 4 + entry.data.size());
        WriteVersionAndFlags(out, 0, entry.flags);
        out.bytes(entry.data);
    }
    return true;
}

bool DataReferenceAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    uint32_t count = 0;
    if (!ReadVersion0Or1(in, context, version) || !ReadCount(in, context, 12, count)) {
        return false;
    }
    entries.clear();
    for (uint32_t i = 0; i < count; ++i) {
        AtomHeader header;
        ByteReader payload;
        if (!NextAtom(in, header, payload)) {
            return context.fail("data reference larger than its atom");
        }
        DataReferenceEntry entry;
        entry.type = header.type;
        entry.flags = payload.u32() & 0xFFFFFF;
        auto rest = payload.bytes(payload.remaining());
        entry.data.assign(rest.begin(), rest.end());
        entries.push_back(std::move(entry));
    }
    return true;
}

bool DataInformationAtom::readPayload(ByteReader& in, ReadContext& context) {
    bool found = false;
    return ForEachChild(in, context,
                        [&](const AtomHeader& header, ByteReader& payload) {
                            if (header.type != 'dref') {
                                return true;
                            }
                            found = true;
                            return ReadAtom(payload, references, context);
                        }) &&
           Require(found, context, "'dref'");
}

// stsd

uint64_t SampleDescriptionAtom::payloadSize() const {
    uint64_t total = 8;
    for (const auto& entry : entries) {
        total += entry.size();
    }
    return total;
}

bool SampleDescriptionAtom::writePayload(ByteWriter& out) const {
    WriteVersionAndFlags(out, 0, 0);
    out.u32(static_cast<uint32_t>(entries.size()));
    for (const auto& entry : entries) {
        // Each entry starts with its own size; a wrong one would misplace
        // every entry after it.
        ByteReader check(entry);
        if (check.u32() != entry.size()) {
            return false;
        }
        out.bytes(entry);
    }
    return true;
}

bool SampleDescriptionAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    uint32_t count = 0;
    if (!ReadVersion0Or1(in, context, version) || !ReadCount(in, context, 16, count)) {
        return false;
    }
    entries.clear();
    for (uint32_t i = 0; i < count; ++i) {
        ByteReader peek = in;
        uint32_t size = peek.u32();
        if (size < 16 || size > in.remaining()) {
            return context.fail("sample description " + std::to_string(i + 1) + " has a bad size");
        }
        auto bytes = in.bytes(size);
        entries.emplace_back(bytes.begin(), bytes.end());
    }
    return true;
}

// stts, ctts, stss, stsc, stsz

bool TimeToSampleAtom::writePayload(ByteWriter& out) const {
    WriteTable(out, entries, [&](const TimeToSampleEntry& e) {
        out.u32(e.sampleCount);
        out.u32(e.sampleDuration);
    });
    return true;
}

bool TimeToSampleAtom::readPayload(ByteReader& in, ReadContext& context) {
    return ReadTable(in, context, 8, entries, [&](TimeToSampleEntry& e) {
        e.sampleCount = in.u32();
        e.sampleDuration = in.u32();
    });
}

bool CompositionOffsetAtom::writePayload(ByteWriter& out) const {
    WriteTable(out, entries, [&](const CompositionOffsetEntry& e) {
        out.u32(e.sampleCount);
        out.s32(e.offset);
    });
    return true;
}

bool CompositionOffsetAtom::readPayload(ByteReader& in, ReadContext& context) {
    return ReadTable(in, context, 8, entries, [&](CompositionOffsetEntry& e) {
        e.sampleCount = in.u32();
        e.offset = in.s32();
    });
}

bool SyncSampleAtom::writePayload(ByteWriter& out) const {
    WriteTable(out, sampleNumbers, [&](uint32_t n) { out.u32(n); });
    return true;
}

bool SyncSampleAtom::readPayload(ByteReader& in, ReadContext& context) {
    return ReadTable(in, context, 4, sampleNumbers, [&](uint32_t& n) { n = in.u32(); });
}

bool SampleToChunkAtom::writePayload(ByteWriter& out) const {
    WriteTable(out, entries, [&](const SampleToChunkEntry& e) {
        out.u32(e.firstChunk);
        out.u32(e.samplesPerChunk);
        out.u32(e.descriptionIndex);
    });
    return true;
}

bool SampleToChunkAtom::readPayload(ByteReader& in, ReadContext& context) {
    return ReadTable(in, context, 12, entries, [&](SampleToChunkEntry& e) {
        e.firstChunk = in.u32();
        e.samplesPerChunk = in.u32();
        e.descriptionIndex = in.u32();
    });
}

bool SampleSizeAtom::writePayload(ByteWriter& out) const {
    bool consistent = constantSize != 0 ? sizes.empty() : sizes.size() == sampleCount;
    if (!consistent) {
        return false;
    }
    WriteVersionAndFlags(out, 0, 0);
    out.u32(constantSize);
    out.u32(sampleCount);
    for (uint32_t s : sizes) {
        out.u32(s);
    }
    return true;
}

bool SampleSizeAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint8_t version = 0;
    if (!ReadVersion0Or1(in, context, version)) {
        return false;
    }
    constantSize = in.u32();
    sizes.clear();
    if (constantSize != 0) {
        sampleCount = in.u32();
        return true;
    }
    return ReadCount(in, context, 4, sampleCount) && [&] {
        sizes.resize(sampleCount);
        for (uint32_t& s : sizes) {
            s = in.u32();
        }
        return true;
    }();
}

// stco, co64

OSType ChunkOffsetAtom::type() const {
    bool large = largeOffsets ||
                 std::any_of(offsets.begin(), offsets.end(), [](uint64_t o) { return o > kMax32; });
    return large ? 'co64' : 'stco';
}

uint64_t ChunkOffsetAtom::payloadSize() const {
    return 8 + offsets.size() * (type() == 'co64' ? 8 : 4);
}

bool ChunkOffsetAtom::writePayload(ByteWriter& out) const {
    bool large = type() == 'co64';
    WriteTable(out, offsets, [&](uint64_t o) {
        if (large) {
            out.u64(o);
        } else {
            out.u32(static_cast<uint32_t>(o));
        }
    });
    return true;
}

bool ChunkOffsetAtom::readPayload(ByteReader& in, ReadContext& context) {
    return ReadTable(in, context, largeOffsets ? 8 : 4, offsets,
                     [&](uint64_t& o) { o = largeOffsets ? in.u64() : in.u32(); });
}

// stbl

uint64_t SampleTableAtom::payloadSize() const {
    return AtomSize(descriptions) + AtomSize(timeToSample) + OptionalSize(compositionOffsets) +
           OptionalSize(syncSamples) + AtomSize(sampleToChunk) + AtomSize(sampleSizes) +
           AtomSize(chunkOffsets);
}

bool SampleTableAtom::writePayload(ByteWriter& out) const {
    return WriteAtom(out, descriptions) && WriteAtom(out, timeToSample) &&
           WriteOptional(out, compositionOffsets) && WriteOptional(out, syncSamples) &&
           WriteAtom(out, sampleToChunk) && WriteAtom(out, sampleSizes) &&
           WriteAtom(out, chunkOffsets);
}

bool SampleTableAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint32_t seen = 0;
    enum : uint32_t { kStsd = 1, kStts = 2, kStsc = 4, kStsz = 8, kOffsets = 16 };
    bool ok = ForEachChild(in, context, [&](const AtomHeader& header, ByteReader& payload) {
        switch (header.type) {
            case 'stsd':
                seen |= kStsd;
                return ReadAtom(payload, descriptions, context);
            case 'stts':
                seen |= kStts;
                return ReadAtom(payload, timeToSample, context);
            case 'ctts':
                return ReadOptional(payload, compositionOffsets, context);
            case 'stss':
                return ReadOptional(payload, syncSamples, context);
            case 'stsc':
                seen |= kStsc;
                return ReadAtom(payload, sampleToChunk, context);
            case 'stsz':
                seen |= kStsz;
                return ReadAtom(payload, sampleSizes, context);
            case 'stco':
            case 'co64':
                seen |= kOffsets;
                chunkOffsets.largeOffsets = header.type == 'co64';
                return ReadAtom(payload, chunkOffsets, context);
            default:
                return true;
        }
    });
    return ok && Require(seen == 31, context, "sample table atoms");
}

// minf

uint64_t MediaInformationAtom::payloadSize() const {
    return OptionalSize(videoHeader) + OptionalSize(soundHeader) + OptionalSize(baseHeader) +
           OptionalSize(dataHandler) + OptionalSize(dataInformation) + AtomSize(sampleTable);
}

bool MediaInformationAtom::writePayload(ByteWriter& out) const {
    return WriteOptional(out, videoHeader) && WriteOptional(out, soundHeader) &&
           WriteOptional(out, baseHeader) && WriteOptional(out, dataHandler) &&
           WriteOptional(out, dataInformation) && WriteAtom(out, sampleTable);
}

bool MediaInformationAtom::readPayload(ByteReader& in, ReadContext& context) {
    bool found = false;
    return ForEachChild(in, context,
                        [&](const AtomHeader& header, ByteReader& payload) {
                            switch (header.type) {
                                case 'vmhd':
                                    return ReadOptional(payload, videoHeader, context);
                                case 'smhd':
                                    return ReadOptional(payload, soundHeader, context);
                                case 'gmhd':
                                    return ReadOptional(payload, baseHeader, context);
                                case 'hdlr':
                                    return ReadOptional(payload, dataHandler, context);
                                case 'dinf':
                                    return ReadOptional(payload, dataInformation, context);
                                case 'stbl':
                                    found = true;
                                    return ReadAtom(payload, sampleTable, context);
                                default:
                                    return true;
                            }
                        }) &&
           Require(found, context, "'stbl'");
}

// mdia

uint64_t MediaAtom::payloadSize() const {
    return AtomSize(header) + AtomSize(handler) + AtomSize(information);
}

bool MediaAtom::writePayload(ByteWriter& out) const {
    return WriteAtom(out, header) && WriteAtom(out, handler) && WriteAtom(out, information);
}

bool MediaAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint32_t seen = 0;
    bool ok = ForEachChild(in, context, [&](const AtomHeader& h, ByteReader& payload) {
        switch (h.type) {
            case 'mdhd':
                seen |= 1;
                return ReadAtom(payload, header, context);
            case 'hdlr':
                seen |= 2;
                return ReadAtom(payload, handler, context);
            case 'minf':
                seen |= 4;
                return ReadAtom(payload, information, context);
            default:
                return true;
        }
    });
    return ok && Require(seen == 7, context, "'mdhd', 'hdlr' or 'minf'");
}

// trak

uint64_t TrackAtom::payloadSize() const {
    return AtomSize(header) + OptionalSize(edits) + OptionalSize(references) + AtomSize(media);
}

bool TrackAtom::writePayload(ByteWriter& out) const {
    return WriteAtom(out, header) && WriteOptional(out, edits) && WriteOptional(out, references) &&
           WriteAtom(out, media);
}

bool TrackAtom::readPayload(ByteReader& in, ReadContext& context) {
    uint32_t seen = 0;
    bool ok = ForEachChild(in, context, [&](const AtomHeader& h, ByteReader& payload) {
        switch (h.type) {
            case 'tkhd':
                seen |= 1;
                return ReadAtom(payload, header, context);
            case 'edts':
                return ReadOptional(payload, edits, context);
            case 'tref':
                return ReadOptional(payload, references, context);
            case 'mdia':
                seen |= 2;
                return ReadAtom(payload, media, context);
            default:
                return true;
        }
    });
    return ok && Require(seen == 3, context, "'tkhd' or 'mdia'");
}

// clip

bool ClipAtom::writePayload(ByteWriter& out) const {
    WriteAtomHeader(out, 'crgn', 10);
    out.u16(10);
    for (int16_t v : {top, left, bottom, right}) {
        out.s16(v);
    }
    return true;
}

bool ClipAtom::readPayload(ByteReader& in, ReadContext& context) {
    bool found = false;
    return ForEachChild(in, context,
                        [&](const AtomHeader& header, ByteReader& payload) {
                            if (header.type != 'crgn') {
                                return true;
                            }
                            found = true;
                            payload.u16();
                            for (int16_t* v : {&top, &left, &bottom, &right}) {
                                *v = payload.s16();
                            }
                            return payload.ok() || context.fail("truncated 'crgn'");
                        }) &&
           Require(found, context, "'crgn'");
}

// moov

uint64_t MovieAtom::payloadSize() const {
    uint64_t total = AtomSize(header) + OptionalSize(clip);
    for (const TrackAtom& track : tracks) {
        total += AtomSize(track);
    }
    return total;
}

bool MovieAtom::writePayload(ByteWriter& out) const {
    if (!WriteAtom(out, header) || !WriteOptional(out, clip)) {
        return false;
    }
    return std::all_of(tracks.begin(), tracks.end(),
                       [&](const TrackAtom& track) { return WriteAtom(out, track); });
}

bool MovieAtom::readPayload(ByteReader& in, ReadContext& context) {
    bool found = false;
    tracks.clear();
    return ForEachChild(in, context,
                        [&](const AtomHeader& h, ByteReader& payload) {
                            switch (h.type) {
                                case 'mvhd':
                                    found = true;
                                    return ReadAtom(payload, header, context);
                                case 'clip':
                                    return ReadOptional(payload, clip, context);
                                case 'trak':
                                    tracks.emplace_back();
                                    return ReadAtom(payload, tracks.back(), context);
                                default:
                                    return true;
                            }
                        }) &&
           Require(found, context, "'mvhd'");
}

}  // namespace qtfile
