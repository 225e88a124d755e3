// Shared pieces of the recovery tests: running a recovery, the tracks of a
// movie read back sample by sample, where the whole records of a recovery
// index end, and the files the process holds open.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MVDCommon/MVDException.h"
#include "MovieToolbox/MovieFileReader.h"
#include "QuickTime/QTRecovery.h"
#include "QuickTime/RecoveryRecords.h"

namespace recoverytest {

using Bytes = std::vector<uint8_t>;

// How a recovery ended: the value it returned, or the exception's message.
struct Outcome {
    bool threw = false;
    bool result = false;
    std::string error;
};

inline Outcome Recover(const std::string& index, const std::string& data,
                       const std::string& movie) {
    Outcome outcome;
    QTRecovery* recovery = nullptr;
    try {
        recovery = new QTRecovery(index, data, movie);
        recovery->retain();
        outcome.result = recovery->recoverQTMovie();
    } catch (const std::exception& e) {
        outcome.threw = true;
        outcome.error = e.what();
    }
    if (recovery != nullptr) {
        recovery->release();
    }
    return outcome;
}

struct TrackContents {
    OSType mediaType = 0;
    uint32_t trackID = 0;
    uint32_t timeScale = 0;
    int16_t layer = 0;
    qtfile::Matrix matrix{};
    Bytes description;  // the first, in file form
    std::vector<Bytes> samples;
    std::vector<uint32_t> durations;
    std::vector<bool> sync;
    std::vector<qtfile::TrackReferenceList> references;
};

// Every track of a movie file with all its samples.
inline std::vector<TrackContents> ReadTracks(const std::string& path) {
    qtfile::MovieFileReader reader;
    const qtfile::ReadStatus status = reader.open(path);
    EXPECT_TRUE(status.ok()) << status.message;
    std::vector<TrackContents> tracks;
    for (size_t t = 0; status.ok() && t < reader.trackCount(); ++t) {
        const qtfile::TrackAtom& atom = reader.track(t);
        TrackContents track;
        track.mediaType = atom.media.mediaType();
        track.trackID = atom.header.trackID;
        track.timeScale = atom.media.header.timeScale;
        track.layer = atom.header.layer;
        track.matrix = atom.header.matrix;
        const auto& entries = atom.media.information.sampleTable.descriptions.entries;
        if (!entries.empty()) {
            track.description = entries[0];
        }
        if (atom.references) {
            track.references = atom.references->lists;
        }
        for (uint32_t i = 0; i < reader.samples(t).sampleCount(); ++i) {
            qtfile::SampleInfo info;
            Bytes bytes;
            EXPECT_TRUE(reader.sampleInfo(t, i, info).ok());
            EXPECT_TRUE(reader.readSample(t, i, bytes).ok());
            track.samples.push_back(std::move(bytes));
            track.durations.push_back(info.duration);
            track.sync.push_back(info.sync);
        }
        tracks.push_back(std::move(track));
    }
    return tracks;
}

// The lengths of the index's prefixes that hold whole records only: the
// header's end, then each record's end.
inline std::vector<size_t> RecordEnds(const Bytes& index) {
    std::vector<size_t> ends;
    for (size_t length = 12; length <= index.size(); ++length) {
        if (mvdtest::ParseRecoveryFile(Bytes(index.begin(), index.begin() + length))) {
            ends.push_back(length);
        }
    }
    return ends;
}

// The records of the index's first `length` bytes (at most all of it) that
// are whole.
inline std::vector<mvdtest::RecoveryRecord> WholeRecords(const Bytes& index, size_t length) {
    for (length = std::min(length, index.size()); length >= 12; --length) {
        if (auto parsed =
                mvdtest::ParseRecoveryFile(Bytes(index.begin(), index.begin() + length))) {
            return parsed->records;
        }
    }
    return {};
}

// Files this process holds open.
inline int OpenFileCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

}  // namespace recoverytest
