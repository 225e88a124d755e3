// Builds the movie atom of a movie being written: headers from the movie,
// track and media records, edit lists, references, and sample tables from
// the runs of samples each media holds.
#include <algorithm>
#include <limits>

#include "MovieToolbox/MovieInternals.h"

namespace mtb {

namespace {

qtfile::Matrix ToMatrix(const MatrixRecord& record) {
    qtfile::Matrix m;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            m.values[row * 3 + col] = record.matrix[row][col];
        }
    }
    return m;
}

const char* HandlerName(OSType mediaType) {
    switch (mediaType) {
        case VideoMediaType:
            return "Apple Video Media Handler";
        case SoundMediaType:
            return "Apple Sound Media Handler";
        case TextMediaType:
            return "Apple Text Media Handler";
        default:
            return "Apple Base Media Handler";
    }
}

// Appends count samples of one duration to the time table, merging with the
// entry before when the duration is the same.
template <class Table, class Value>
void AppendRun(std::vector<Table>& entries, uint32_t count, Value value, Value Table::*field) {
    if (!entries.empty() && entries.back().*field == value) {
        entries.back().sampleCount += count;
    } else {
        Table entry;
        entry.sampleCount = count;
        entry.*field = value;
        entries.push_back(entry);
    }
}

void BuildSizes(const SampleRunTable& runs, qtfile::SampleSizeAtom& sizes) {
    const uint64_t count = runs.sampleCount();
    const uint32_t firstSize = runs.empty() ? 0 : runs.front().sampleSize;
    const bool constant = std::all_of(runs.begin(), runs.end(), [&](const SampleRun& run) {
        return run.sampleSize == firstSize;
    });
    sizes.sampleCount = static_cast<uint32_t>(count);
    sizes.sizes.clear();
    if (constant && !runs.empty()) {
        sizes.constantSize = firstSize;
        return;
    }
    sizes.constantSize = 0;
    sizes.sizes.reserve(count);
    for (const SampleRun& run : runs) {
        sizes.sizes.insert(sizes.sizes.end(), run.sampleCount, run.sampleSize);
    }
}

// Runs that follow each other in the file with the same description share a
// chunk.
void BuildChunks(const SampleRunTable& runs, qtfile::SampleTableAtom& table) {
    std::vector<uint32_t> samplesPerChunk;
    std::vector<uint32_t> chunkDescription;
    uint64_t chunkEnd = 0;
    for (const SampleRun& run : runs) {
        bool joins =
            !samplesPerChunk.empty() && run.offset == chunkEnd &&
            run.descriptionIndex == chunkDescription.back() &&
            samplesPerChunk.back() <= std::numeric_limits<uint32_t>::max() - run.sampleCount;
        if (joins) {
            samplesPerChunk.back() += run.sampleCount;
        } else {
            table.chunkOffsets.offsets.push_back(run.offset);
            samplesPerChunk.push_back(run.sampleCount);
            chunkDescription.push_back(run.descriptionIndex);
        }
        chunkEnd = run.offset + run.byteCount();
    }
    auto& entries = table.sampleToChunk.entries;
    for (size_t chunk = 0; chunk < samplesPerChunk.size(); ++chunk) {
        if (!entries.empty() && entries.back().samplesPerChunk == samplesPerChunk[chunk] &&
            entries.back().descriptionIndex == chunkDescription[chunk]) {
            continue;
        }
        entries.push_back(qtfile::SampleToChunkEntry{
            static_cast<uint32_t>(chunk + 1), samplesPerChunk[chunk], chunkDescription[chunk]});
    }
}

qtfile::SampleTableAtom BuildSampleTable(const MediaRecord& media) {
    qtfile::SampleTableAtom table;
    table.descriptions.entries = media.descriptions;
    bool anyOffset = false;
    bool allSync = true;
    for (const SampleRun& run : media.runs) {
        AppendRun(table.timeToSample.entries, run.sampleCount, run.duration,
                  &qtfile::TimeToSampleEntry::sampleDuration);
        anyOffset = anyOffset || run.displayOffset != 0;
        allSync = allSync && (run.flags & mediaSampleNotSync) == 0;
    }
    if (anyOffset) {
        table.compositionOffsets.emplace();
        for (const SampleRun& run : media.runs) {
            AppendRun(table.compositionOffsets->entries, run.sampleCount, run.displayOffset,
                      &qtfile::CompositionOffsetEntry::offset);
        }
    }
    if (!allSync) {
        table.syncSamples.emplace();
        uint32_t number = 1;
        for (const SampleRun& run : media.runs) {
            for (uint32_t i = 0; i < run.sampleCount; ++i, ++number) {
                if ((run.flags & mediaSampleNotSync) == 0) {
                    table.syncSamples->sampleNumbers.push_back(number);
                }
            }
        }
    }
    BuildSizes(media.runs, table.sampleSizes);
    BuildChunks(media.runs, table);
    return table;
}

qtfile::MediaInformationAtom BuildMediaInformation(const MediaRecord& media) {
    qtfile::MediaInformationAtom info;
    qtfile::Color opColor{media.opColor.red, media.opColor.green, media.opColor.blue};
    if (media.type == VideoMediaType) {
        info.videoHeader = qtfile::VideoMediaHeaderAtom{media.graphicsMode, opColor};
    } else if (media.type == SoundMediaType) {
        info.soundHeader = qtfile::SoundMediaHeaderAtom{};
    } else {
        info.baseHeader.emplace();
        info.baseHeader->info.graphicsMode = media.graphicsMode;
        info.baseHeader->info.opColor = opColor;
        if (media.type == TextMediaType) {
            info.baseHeader->text.emplace();
        }
    }
    info.dataHandler =
        qtfile::HandlerAtom{DataHandlerType, 'alis', 'appl', 0, 0, "Apple Alias Data Handler"};
    info.dataInformation.emplace();
    info.sampleTable = BuildSampleTable(media);
    return info;
}

qtfile::TrackAtom BuildTrack(const TrackRecord& track, const MovieRecord& movie) {
    qtfile::TrackAtom atom;
    auto& header = atom.header;
    header.creationTime = header.modificationTime = movie.creationTime;
    header.trackID = track.trackID;
    header.duration = static_cast<uint64_t>(TrackDurationOf(track));
    header.layer = track.layer;
    header.volume = track.volume;
    header.matrix = ToMatrix(track.matrix);
    header.width = track.width;
    header.height = track.height;
    if (!track.edits.empty()) {
        atom.edits.emplace();
        atom.edits->editList.entries = track.edits;
    }
    if (!track.references.empty()) {
        atom.references = qtfile::TrackReferenceAtom{track.references};
    }
    const MediaRecord& media = *track.media;
    auto& mediaHeader = atom.media.header;
    mediaHeader.creationTime = mediaHeader.modificationTime = movie.creationTime;
    mediaHeader.timeScale = static_cast<uint32_t>(media.timeScale);
    mediaHeader.duration = static_cast<uint64_t>(media.duration);
    mediaHeader.language = media.language;
    mediaHeader.quality = media.quality;
    atom.media.handler =
        qtfile::HandlerAtom{MediaHandlerType, media.type, 'appl', 0, 0, HandlerName(media.type)};
    atom.media.information = BuildMediaInformation(media);
    return atom;
}

}  // namespace

qtfile::MovieAtom BuildMovieAtom(const MovieRecord& movie) {
    qtfile::MovieAtom atom;
    auto& header = atom.header;
    header.creationTime = header.modificationTime = movie.creationTime;
    header.timeScale = static_cast<uint32_t>(movie.timeScale);
    header.duration = static_cast<uint64_t>(MovieDurationOf(movie));
    header.matrix = ToMatrix(movie.matrix);
    header.nextTrackID = movie.nextTrackID;
    if (movie.clip) {
        atom.clip = qtfile::ClipAtom{movie.clip->top, movie.clip->left, movie.clip->bottom,
                                     movie.clip->right};
    }
    for (const auto& track : movie.tracks) {
        // A track without media has nothing a reader could use.
        if (track->media != nullptr) {
            atom.tracks.push_back(BuildTrack(*track, movie));
        }
    }
    return atom;
}

}  // namespace mtb
