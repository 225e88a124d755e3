// The compact sample table against a plain list of the same runs: every run
// read back and every media time looked up must agree.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "MovieToolbox/SampleRunTable.h"

namespace {

using mtb::SampleRun;
using mtb::SampleRunTable;

bool Same(const SampleRun& a, const SampleRun& b) {
    return a.offset == b.offset && a.sampleSize == b.sampleSize && a.sampleCount == b.sampleCount &&
           a.duration == b.duration && a.displayOffset == b.displayOffset &&
           a.decodeTime == b.decodeTime && a.descriptionIndex == b.descriptionIndex &&
           a.flags == b.flags;
}

// Runs as a recording adds them: video (one sample per run, a key frame now
// and then, sizes that vary) interleaved in the file with sound runs, and a
// change of description and of duration part way.
std::vector<SampleRun> MixedRuns(int count) {
    std::mt19937 random(7);
    std::vector<SampleRun> runs;
    uint64_t offset = 36;
    int64_t time = 0;
    for (int i = 0; i < count; ++i) {
        SampleRun run;
        run.offset = offset;
        run.sampleSize = 100 + random() % 5000;
        run.sampleCount = i % 50 == 49 ? 3 : 1;
        run.duration = i < count / 2 ? 20 : 7;
        run.displayOffset = i % 17 == 0 ? 5 : 0;
        run.descriptionIndex = i < count / 3 ? 1 : 2;
        run.flags = i % 10 == 0 ? MediaSampleFlags{0} : MediaSampleFlags{mediaSampleNotSync};
        run.decodeTime = time;
        runs.push_back(run);
        time += run.timeSpan();
        offset += run.byteCount() + (random() % 2 == 0 ? 0 : 4096);
    }
    return runs;
}

TEST(SampleRunTable, ReadsBackAndLooksUpWhatWasAdded) {
    const std::vector<SampleRun> runs = MixedRuns(2000);
    SampleRunTable table;
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.runAt(0), table.end());
    uint64_t samples = 0;
    for (const SampleRun& run : runs) {
        table.push_back(run);
        samples += run.sampleCount;
    }
    ASSERT_EQ(table.size(), runs.size());
    EXPECT_EQ(table.sampleCount(), samples);
    EXPECT_TRUE(Same(table.back(), runs.back()));

    size_t index = 0;
    for (const SampleRun& run : table) {
        ASSERT_TRUE(Same(run, runs[index])) << "run " << index;
        ++index;
    }
    EXPECT_EQ(index, runs.size());

    // Every time inside every run finds that run, at its first, middle and
    // last tick; the end of the media finds nothing.
    for (size_t i = 0; i < runs.size(); ++i) {
        const SampleRun& run = runs[i];
        for (int64_t t : {run.decodeTime, run.decodeTime + run.timeSpan() / 2,
                          run.decodeTime + run.timeSpan() - 1}) {
            auto found = table.runAt(t);
            ASSERT_NE(found, table.end()) << "time " << t;
            ASSERT_TRUE(Same(*found, run)) << "time " << t << " run " << i;
        }
    }
    EXPECT_EQ(table.runAt(-1), table.end());
    EXPECT_EQ(table.runAt(runs.back().decodeTime + runs.back().timeSpan()), table.end());
}

}  // namespace
