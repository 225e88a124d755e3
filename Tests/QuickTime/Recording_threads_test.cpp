// The recording with sound and captions fed from a second thread while the
// compression sessions complete frames on their own threads: the movie
// holds everything and the recovery file stays a sequence of whole records
// in the order of the sample data.
#include <gtest/gtest.h>

#include "RecordingTestSupport.h"
#include "Support/RecordingScenario.h"
#include "Support/ScreenCodecEnvironment.h"

namespace {

TEST(RecordingThreads, ConcurrentTracksShareTheRecoveryFile) {
    mvdtest::ScreenCodecEnvironment codec;
    for (int run = 0; run < 3; ++run) {
        mvdtest::TempDir dir;
        mvdtest::RecordedScenario scenario =
            mvdtest::RecordScenario(dir.file("rec.mov"), dir.file("rec.rcv"), true);
        qtfile::MovieFileReader reader;
        auto status = reader.open(dir.file("rec.mov"));
        ASSERT_TRUE(status.ok()) << status.message;
        ASSERT_EQ(reader.trackCount(), static_cast<size_t>(mvdtest::kScenarioTrackCount));
        EXPECT_EQ(reader.movie().header.duration, 180u);
        EXPECT_EQ(reader.samples(mvdtest::kScenarioScreen).sampleCount(), 9u);
        EXPECT_TRUE(mvdtest::ReadFileBytes(dir.file("rec.rcv")) ==
                    mvdtest::ExpectedRecoveryFile(scenario, reader))
            << "run " << run;
    }
}

}  // namespace
