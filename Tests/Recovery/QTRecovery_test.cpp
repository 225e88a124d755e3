// Movies rebuilt from a recording's recovery index and its movie data: the
// samples come back as they were written; indexes that are wrong, cut short
// or damaged are handled without losing a complete record.
#include "QuickTime/QTRecovery.h"

#include <sys/stat.h>

#include <functional>
#include <map>
#include <utility>

#include "QuickTime/RecordingTestSupport.h"
#include "RecoveryTestSupport.h"
#include "Support/RecordingScenario.h"
#include "Support/ScreenCodecEnvironment.h"
#include "Support/TempDir.h"

namespace {

using recoverytest::Bytes;
using recoverytest::Outcome;
using recoverytest::Recover;
using recoverytest::TrackContents;

// Track numbers of the scenario's recovery records: the screen is video 0;
// sound and text tracks count together (PCM 0, IMA 1, raw 2, captions 3).
using RecordKey = std::pair<std::string, uint32_t>;
const std::map<RecordKey, int> kScenarioTrackOf = {
    {{"QTVS", 0}, mvdtest::kScenarioScreen},
    {{"QTAS", 0}, mvdtest::kScenarioPCM},
    {{"QTAS", 1}, mvdtest::kScenarioIMA},
    {{"QTTS", 3}, mvdtest::kScenarioText},
};

// The tracks a movie rebuilt from these records must have, in the order of
// their first samples, and how many samples each: a PCM buffer is one
// sample per 4-byte stereo frame, every other record one sample.
std::vector<std::pair<RecordKey, size_t>> ExpectedTracks(
    const std::vector<mvdtest::RecoveryRecord>& records) {
    std::vector<std::pair<RecordKey, size_t>> tracks;
    for (const auto& record : records) {
        if (record.label.substr(0, 2) != "QT" || record.label[3] != 'S') {
            continue;  // a header
        }
        const RecordKey key{record.label, record.track};
        auto it = std::find_if(tracks.begin(), tracks.end(),
                               [&](const auto& track) { return track.first == key; });
        if (it == tracks.end()) {
            tracks.emplace_back(key, 0);
            it = tracks.end() - 1;
        }
        it->second += key == RecordKey{"QTAS", 0} ? record.size / 4 : 1;
    }
    return tracks;
}

// The rebuilt movie holds exactly the first samples of the original's
// tracks that the records name.
void ExpectRebuiltFrom(const std::vector<TrackContents>& rebuilt,
                       const std::vector<TrackContents>& original,
                       const std::vector<mvdtest::RecoveryRecord>& records) {
    const auto expected = ExpectedTracks(records);
    ASSERT_EQ(rebuilt.size(), expected.size());
    for (size_t t = 0; t < expected.size(); ++t) {
        const TrackContents& got = rebuilt[t];
        const TrackContents& want = original.at(kScenarioTrackOf.at(expected[t].first));
        const size_t count = expected[t].second;
        EXPECT_EQ(got.mediaType, want.mediaType) << "track " << t;
        EXPECT_EQ(got.timeScale, want.timeScale) << "track " << t;
        EXPECT_EQ(got.description, want.description) << "track " << t;
        ASSERT_EQ(got.samples.size(), count) << "track " << t;
        EXPECT_TRUE(std::equal(got.samples.begin(), got.samples.end(), want.samples.begin()))
            << "track " << t;
        EXPECT_TRUE(std::equal(got.durations.begin(), got.durations.end(), want.durations.begin()))
            << "track " << t;
        EXPECT_TRUE(std::equal(got.sync.begin(), got.sync.end(), want.sync.begin()))
            << "track " << t;
    }
}

class QTRecoveryTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_codec = new mvdtest::ScreenCodecEnvironment;
        s_recording = mvdtest::RecordScenarioMovie().release();
        s_original =
            new std::vector<TrackContents>(recoverytest::ReadTracks(s_recording->moviePath()));
        s_index = new Bytes(mvdtest::ReadFileBytes(s_recording->recoveryPath()));
    }
    static void TearDownTestSuite() {
        delete s_index;
        delete s_original;
        delete s_recording;
        delete s_codec;
    }
    std::string rebuild(const Bytes& index, Outcome* outcome) {
        const std::string indexPath = m_dir.file("index.rcv");
        const std::string moviePath = m_dir.file("rebuilt.mov");
        mvdtest::WriteFileBytes(indexPath, index);
        const int open = recoverytest::OpenFileCount();
        *outcome = Recover(indexPath, s_recording->moviePath(), moviePath);
        EXPECT_EQ(recoverytest::OpenFileCount(), open);
        return moviePath;
    }

    static mvdtest::ScreenCodecEnvironment* s_codec;
    static mvdtest::RecordedMovie* s_recording;
    static std::vector<TrackContents>* s_original;
    static Bytes* s_index;
    mvdtest::TempDir m_dir;
};

mvdtest::ScreenCodecEnvironment* QTRecoveryTest::s_codec = nullptr;
mvdtest::RecordedMovie* QTRecoveryTest::s_recording = nullptr;
std::vector<TrackContents>* QTRecoveryTest::s_original = nullptr;
Bytes* QTRecoveryTest::s_index = nullptr;

// Screen frames, PCM buffers, IMA packets and captions come back byte for
// byte with their durations, sync flags and descriptions; the screen keeps
// its matrix and the captions stay its chapters.
TEST_F(QTRecoveryTest, RebuildsEveryLoggedTrack) {
    Outcome outcome;
    const std::string movie = rebuild(*s_index, &outcome);
    ASSERT_FALSE(outcome.threw) << outcome.error;
    EXPECT_TRUE(outcome.result);
    const auto rebuilt = recoverytest::ReadTracks(movie);
    const auto records = mvdtest::ParseRecoveryFile(*s_index);
    ASSERT_TRUE(records);
    ExpectRebuiltFrom(rebuilt, *s_original, records->records);
    ASSERT_EQ(rebuilt.size(), 4u);

    const auto find = [&](OSType type) {
        return *std::find_if(rebuilt.begin(), rebuilt.end(),
                             [&](const TrackContents& t) { return t.mediaType == type; });
    };
    const TrackContents& video = find(VideoMediaType);
    const TrackContents& screen = (*s_original)[mvdtest::kScenarioScreen];
    EXPECT_EQ(video.matrix, screen.matrix);
    EXPECT_EQ(video.layer, screen.layer);
    ASSERT_EQ(video.references.size(), 1u);
    EXPECT_EQ(video.references[0].referenceType, kTrackReferenceChapterList);
    EXPECT_EQ(video.references[0].trackIDs, std::vector<uint32_t>{find(TextMediaType).trackID});
}

// An index cut anywhere (as a recording killed while logging leaves it)
// rebuilds every complete record before the cut and reports success.
TEST_F(QTRecoveryTest, EveryCutKeepsTheCompleteRecords) {
    const std::vector<size_t> ends = recoverytest::RecordEnds(*s_index);
    ASSERT_GT(ends.size(), 20u);
    std::vector<size_t> cuts;
    for (size_t e = 0; e + 1 < ends.size(); ++e) {
        const size_t next = ends[e + 1];
        for (size_t cut : {ends[e], (ends[e] + next) / 2, next - 1}) {
            if (cut < next && (cuts.empty() || cut > cuts.back())) {
                cuts.push_back(cut);
            }
        }
    }
    for (size_t cut : cuts) {
        Outcome outcome;
        const std::string movie =
            rebuild(Bytes(s_index->begin(), s_index->begin() + cut), &outcome);
        ASSERT_FALSE(outcome.threw) << "cut at " << cut << ": " << outcome.error;
        EXPECT_TRUE(outcome.result) << "cut at " << cut;
        ExpectRebuiltFrom(recoverytest::ReadTracks(movie), *s_original,
                          recoverytest::WholeRecords(*s_index, cut));
        if (HasFailure()) {
            FAIL() << "cut at " << cut;
        }
    }
}

// A damaged record ends the records: the failure is thrown, and the movie
// still holds everything before it.
TEST_F(QTRecoveryTest, DamageStopsThereAndKeepsWhatCameBefore) {
    const std::vector<size_t> ends = recoverytest::RecordEnds(*s_index);  // record starts
    const auto records = mvdtest::ParseRecoveryFile(*s_index)->records;
    const auto find = [&](size_t from, auto wanted) {
        while (!wanted(records[from])) {
            ++from;
        }
        return from;
    };
    // A screen frame record in the middle that carries no description, the
    // first record with a description and the first sound record.
    const size_t frame = find(records.size() / 2, [](const mvdtest::RecoveryRecord& r) {
        return r.label == "QTVS" && r.description.empty();
    });
    const size_t first =
        find(0, [](const mvdtest::RecoveryRecord& r) { return !r.description.empty(); });
    const size_t sound = find(0, [](const mvdtest::RecoveryRecord& r) {
        return r.label == "QTAS" && !r.description.empty();
    });
    const auto put32 = [](Bytes& bytes, size_t offset, uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        }
    };
    const size_t at = ends[frame];
    const size_t description = ends[sound] + 12;
    struct Case {
        const char* message;
        size_t damagedRecord;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        {"Invalid recovery header label!", frame, [&](Bytes& b) { put32(b, at, 0x58585858); }},
        {"Damaged recovery index: a video sample of track 7, which has no header", frame,
         [&](Bytes& b) { put32(b, at + 4, 7); }},
        {"lies outside the data file", frame, [&](Bytes& b) { put32(b, at + 12, 0x40000000); }},
        {"lies outside the data file", frame, [&](Bytes& b) { put32(b, at + 16, 0); }},
        {"claims 16777216 bytes", first, [&](Bytes& b) { put32(b, ends[first] + 8, 16u << 20); }},
        // Cut to 20 bytes: no sound description is that short.
        {"a sound description shorter", sound,
         [&](Bytes& b) {
             b.erase(b.begin() + description + 20,
                     b.begin() + description + records[sound].description.size());
             put32(b, description - 4, 20);
             put32(b, description, 20);
         }},
    };
    for (const Case& c : cases) {
        Bytes damaged = *s_index;
        c.damage(damaged);
        Outcome outcome;
        const std::string movie = rebuild(damaged, &outcome);
        ASSERT_TRUE(outcome.threw) << c.message;
        EXPECT_NE(outcome.error.find(c.message), std::string::npos) << outcome.error;
        ExpectRebuiltFrom(recoverytest::ReadTracks(movie), *s_original,
                          {records.begin(), records.begin() + c.damagedRecord});
    }
}

// An index of only its header gives a movie without tracks; a wrong header
// gives false and no movie; files that cannot be opened are reported; the
// rebuilt movie never replaces the files it comes from.
TEST_F(QTRecoveryTest, HeadersFilesAndPaths) {
    Bytes header(s_index->begin(), s_index->begin() + 12);
    Outcome outcome;
    std::string movie = rebuild(header, &outcome);
    EXPECT_FALSE(outcome.threw);
    EXPECT_TRUE(outcome.result);
    EXPECT_TRUE(recoverytest::ReadTracks(movie).empty());

    // A wrong label, no width, 32768 pixels wide.
    for (auto [offset, value] : {std::pair<size_t, uint16_t>{0, 'X'}, {4, 0}, {4, 0x8000}}) {
        Bytes wrong = header;
        wrong[offset] = static_cast<uint8_t>(value);
        wrong[offset + 1] = static_cast<uint8_t>(value >> 8);
        std::remove(movie.c_str());
        movie = rebuild(wrong, &outcome);
        EXPECT_FALSE(outcome.threw) << outcome.error;
        EXPECT_FALSE(outcome.result) << "offset " << offset;
        struct stat info;
        EXPECT_NE(stat(movie.c_str(), &info), 0) << "offset " << offset;
    }

    const std::string index = m_dir.file("index.rcv");
    const int open = recoverytest::OpenFileCount();
    outcome = Recover(m_dir.file("none.rcv"), s_recording->moviePath(), movie);
    EXPECT_EQ(outcome.error, "Could not open recovery index file!");
    outcome = Recover(index, m_dir.file("none.mov"), movie);
    EXPECT_EQ(outcome.error, "Could not open data file!");
    EXPECT_EQ(recoverytest::OpenFileCount(), open);

    const Bytes data = mvdtest::ReadFileBytes(s_recording->moviePath());
    outcome =
        Recover(s_recording->recoveryPath(), s_recording->moviePath(), s_recording->moviePath());
    EXPECT_FALSE(outcome.result);
    EXPECT_EQ(mvdtest::ReadFileBytes(s_recording->moviePath()), data);
}

}  // namespace
