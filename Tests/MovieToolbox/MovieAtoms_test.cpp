// Atoms: exact bytes for a table of values (read and written), 64-bit
// forms, and damaged files that must fail cleanly.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <type_traits>

#include "MovieToolbox/MovieAtoms.h"
#include "MovieToolbox/MovieDataFile.h"
#include "MovieToolbox/MovieFileReader.h"
#include "Support/SampleMovie.h"
#include "Support/TempDir.h"

namespace {

using namespace qtfile;

template <class Atom>
std::vector<uint8_t> Bytes(const Atom& atom) {
    ByteWriter out;
    EXPECT_TRUE(WriteAtom(out, atom));
    return out.data();
}

template <class Atom>
Atom Parse(const std::vector<uint8_t>& bytes) {
    ByteReader in(bytes);
    AtomHeader header;
    ByteReader payload;
    Atom atom;
    EXPECT_TRUE(NextAtom(in, header, payload));
    if constexpr (std::is_same_v<Atom, ChunkOffsetAtom>) {
        atom.largeOffsets = header.type == 'co64';  // the type names the width
    }
    ReadContext context;
    EXPECT_TRUE(ReadAtom(payload, atom, context)) << context.error;
    return atom;
}

// Each atom and its exact bytes drive both directions.
template <class Atom>
void CheckGolden(const Atom& atom, const std::vector<uint8_t>& bytes) {
    EXPECT_EQ(Bytes(atom), bytes);
    EXPECT_EQ(Parse<Atom>(bytes), atom);
}

TEST(MovieAtoms, GoldenBytes) {
    CheckGolden(TimeToSampleAtom{{{3, 40}, {1, 20}}},
                {0, 0, 0, 32, 's', 't', 't', 's', 0, 0, 0, 0, 0, 0, 0, 2,
                 0, 0, 0, 3,  0,   0,   0,   40,  0, 0, 0, 1, 0, 0, 0, 20});
    CheckGolden(EditListAtom{{{300, -1, 0x10000}, {60, 0, 0x10000}}},
                {0,    0,    0,    40,   'e', 'l', 's', 't', 0, 0, 0, 0,  0, 0, 0, 2, 0, 0, 1, 44,
                 0xFF, 0xFF, 0xFF, 0xFF, 0,   1,   0,   0,   0, 0, 0, 60, 0, 0, 0, 0, 0, 1, 0, 0});
    CheckGolden(SampleSizeAtom{4, 1000, {}},
                {0, 0, 0, 20, 's', 't', 's', 'z', 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 3, 0xE8});
    CheckGolden(TrackReferenceAtom{{{'chap', {6}}}},
                {0, 0, 0, 20, 't', 'r', 'e', 'f', 0, 0, 0, 12, 'c', 'h', 'a', 'p', 0, 0, 0, 6});
    CheckGolden(
        ChunkOffsetAtom{{36, 548}, false},
        {0, 0, 0, 24, 's', 't', 'c', 'o', 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 36, 0, 0, 2, 0x24});
}

TEST(MovieAtoms, WideValuesSwitchToTheirLargeForms) {
    ChunkOffsetAtom offsets{{36, (uint64_t{5} << 32) + 8}, false};
    auto bytes = Bytes(offsets);
    EXPECT_EQ(bytes[4], 'c');
    EXPECT_EQ(bytes[7], '4');
    EXPECT_EQ(bytes.size(), 8u + 8 + 16);
    EXPECT_EQ(Parse<ChunkOffsetAtom>(bytes).offsets, offsets.offsets);

    MediaHeaderAtom header;
    header.duration = uint64_t{1} << 33;
    auto mdhd = Bytes(header);
    EXPECT_EQ(mdhd[8], 1);  // version 1
    EXPECT_EQ(Parse<MediaHeaderAtom>(mdhd), header);

    EditListAtom edits{{{int64_t{1} << 32, 5, 0x10000}}};
    EXPECT_EQ(Parse<EditListAtom>(Bytes(edits)), edits);
}

// A media data atom past 4 GiB takes the 'wide' atom's place for a 64-bit
// size, leaving the data where it is.
TEST(MovieAtoms, LargeMediaDataHeader) {
    mvdtest::TempDir dir;
    std::string path = dir.file("large");
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    uint64_t dataSize = (uint64_t{5} << 30) + 3;
    ASSERT_EQ(mtb::MovieDataFile::WriteMediaDataHeader(fd, 20, dataSize), noErr);
    uint8_t header[16];
    ASSERT_EQ(::pread(fd, header, 16, 20), 16);
    ::close(fd);
    ByteReader in(header);
    EXPECT_EQ(in.u32(), 1u);
    EXPECT_EQ(in.fourcc(), OSType('mdat'));
    EXPECT_EQ(in.u64(), dataSize + 16);
}

// Every cut of a movie, and lies in its counts, give an error, never a crash
// (the sanitizer build checks the "never").
TEST(MovieAtoms, DamagedFilesFailCleanly) {
    mvdtest::TempDir dir;
    mvdtest::SampleMovie movie = mvdtest::WriteSampleMovie(dir.file("m.mov"));
    std::vector<uint8_t> file = mvdtest::ReadFileBytes(movie.path);
    MovieFileReader reader;
    ASSERT_TRUE(reader.openBytes(file).ok());
    uint64_t moovStart = reader.topLevelAtoms().back().offset;
    for (size_t cut = 0; cut < file.size(); cut += (cut < moovStart ? 997 : 7)) {
        std::vector<uint8_t> part(file.begin(), file.begin() + static_cast<long>(cut));
        MovieFileReader damaged;
        EXPECT_FALSE(damaged.openBytes(part).ok()) << "cut at " << cut;
    }
    // Claim 2^32-1 entries in every table of the first track.
    for (const char* table : {"stts", "stsc", "stsz", "stco", "stss", "elst", "stsd"}) {
        std::vector<uint8_t> lying = file;
        auto at = std::search(lying.begin() + static_cast<long>(moovStart), lying.end(), table,
                              table + 4);
        ASSERT_NE(at, lying.end()) << table;
        size_t count = static_cast<size_t>(at - lying.begin()) + 8;
        if (std::string(table) == "stsz") {
            count += 4;  // after the constant size
        }
        for (int i = 0; i < 4; ++i) {
            lying[count + static_cast<size_t>(i)] = 0xFF;
        }
        MovieFileReader damaged;
        auto status = damaged.openBytes(lying);
        EXPECT_FALSE(status.ok()) << table;
        EXPECT_FALSE(status.message.empty());
    }
    // A chunk offset pointing past the end of the file: the tables are
    // consistent, but the sample cannot be read.
    std::vector<uint8_t> moved = file;
    const std::string stcoType = "stco";
    auto stco = std::search(moved.begin() + static_cast<long>(moovStart), moved.end(),
                            stcoType.begin(), stcoType.end());
    std::fill(stco + 12, stco + 16, 0x7F);
    MovieFileReader far;
    ASSERT_TRUE(far.openBytes(moved).ok());
    std::vector<uint8_t> bytes;
    EXPECT_EQ(far.readSample(0, 0, bytes).code, ReadError::outsideFile);
}

}  // namespace
