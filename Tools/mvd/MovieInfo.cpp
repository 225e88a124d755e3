// `mvd info` for QuickTime movies: the file's atoms, the movie header and
// every track with its format, samples, edits, references and captions.
#include <cstdio>
#include <sstream>

#include "Inspectors.h"
#include "MovieFormats.h"
#include "MovieOpen.h"
#include "TextFormat.h"

namespace mvd {

namespace {

// Text samples longer than this are summed up rather than printed.
constexpr uint32_t kMaxPrintedText = 4096;

uint64_t MediaBytes(const qtfile::SampleTableAtom& table) {
    const qtfile::SampleSizeAtom& sizes = table.sampleSizes;
    if (sizes.constantSize != 0) {
        return uint64_t{sizes.constantSize} * sizes.sampleCount;
    }
    uint64_t total = 0;
    for (uint32_t size : sizes.sizes) {
        total += size;
    }
    return total;
}

double Seconds(uint64_t value, uint32_t scale) {
    return scale == 0 ? 0.0 : double(value) / scale;
}

void DescribeFormat(std::ostream& out, const qtfile::TrackAtom& track, uint32_t samples,
                    double seconds) {
    const std::span<const uint8_t> entry = FirstDescription(track);
    switch (track.media.mediaType()) {
        case 'vide': {
            const auto format = ReadVideoFormat(entry);
            if (!format) {
                out << "video, description unreadable";
                return;
            }
            out << "video " << FormatFourCC(format->codec) << " " << format->width << " x "
                << format->height << ", depth " << format->depth;
            if (seconds > 0) {
                char rate[32];
                std::snprintf(rate, sizeof rate, ", %.2f fps", samples / seconds);
                out << rate;
            }
            return;
        }
        case 'soun': {
            const auto format = ReadSoundFormat(entry);
            if (!format) {
                out << "sound, description unreadable";
                return;
            }
            out << "sound " << FormatFourCC(format->codec) << " " << format->sampleRate << " Hz, "
                << Plural(format->channels, "channel", "channels") << ", " << format->bitsPerSample
                << " bits (description version " << format->version << ")";
            return;
        }
        case 'text':
            out << "text";
            return;
        default:
            out << "media " << FormatFourCC(track.media.mediaType());
    }
}

void DescribeEditsAndReferences(std::ostream& out, const qtfile::TrackAtom& track,
                                const qtfile::MovieFileReader& movie) {
    const uint32_t movieScale = movie.movie().header.timeScale;
    if (track.edits) {
        out << "      edits      ";
        bool first = true;
        for (const qtfile::EditListEntry& e : track.edits->editList.entries) {
            out << (first ? "" : ", ");
            first = false;
            if (e.mediaTime < 0) {
                out << "empty for "
                    << FormatSeconds(Seconds(uint64_t(e.trackDuration), movieScale));
            } else {
                out << FormatSeconds(Seconds(uint64_t(e.trackDuration), movieScale))
                    << " from media time " << e.mediaTime;
            }
        }
        out << "\n";
    }
    if (track.references) {
        for (const qtfile::TrackReferenceList& list : track.references->lists) {
            out << "      refers to  " << FormatFourCC(list.referenceType) << " track";
            for (uint32_t id : list.trackIDs) {
                out << " " << id;
            }
            out << (list.referenceType == 'chap' ? " (chapters)" : "") << "\n";
        }
    }
}

void DescribeCaptions(std::ostream& out, const qtfile::MovieFileReader& movie, size_t index) {
    const qtfile::SampleTableIndex& samples = movie.samples(index);
    const uint32_t scale = movie.track(index).media.header.timeScale;
    for (uint32_t i = 0; i < samples.sampleCount(); ++i) {
        qtfile::SampleInfo info;
        CheckRead(movie.sampleInfo(index, i, info));
        out << "      " << FormatSeconds(Seconds(info.decodeTime, scale)) << "  ";
        if (info.size > kMaxPrintedText) {
            out << "(" << FormatBytes(info.size) << " of text)\n";
            continue;
        }
        std::vector<uint8_t> bytes;
        CheckRead(movie.readSample(index, i, bytes));
        const auto text = ReadTextSample(bytes);
        out << (text ? "\"" + *text + "\"" : std::string("(damaged text sample)")) << "\n";
    }
}

void ListSamples(std::ostream& out, const qtfile::MovieFileReader& movie, size_t index) {
    const qtfile::SampleTableIndex& samples = movie.samples(index);
    for (uint32_t i = 0; i < samples.sampleCount(); ++i) {
        qtfile::SampleInfo info;
        CheckRead(movie.sampleInfo(index, i, info));
        out << "      sample " << i << "  offset " << info.offset << "  " << info.size
            << " B  time " << info.decodeTime << "  duration " << info.duration
            << (info.sync ? "  sync" : "") << "\n";
    }
}

}  // namespace

MediaSummary SummarizeMovie(const std::string& path) {
    qtfile::MovieFileReader movie;
    OpenMovie(movie, path);
    for (size_t i = 0; i < movie.trackCount(); ++i) {
        if (movie.track(i).media.mediaType() == 'vide') {
            const qtfile::SampleTableIndex& samples = movie.samples(i);
            return {samples.sampleCount(),
                    Seconds(samples.totalDuration(), movie.track(i).media.header.timeScale)};
        }
    }
    const qtfile::MovieHeaderAtom& header = movie.movie().header;
    return {0, Seconds(header.duration, header.timeScale)};
}

void DescribeMovie(const std::string& path, const InspectOptions& options, std::ostream& out) {
    qtfile::MovieFileReader movie;
    OpenMovie(movie, path);
    const qtfile::MovieHeaderAtom& header = movie.movie().header;
    out << path << ": QuickTime movie";
    if (movie.fileType()) {
        out << " (brand " << FormatFourCC(movie.fileType()->majorBrand) << ")";
    }
    out << "\n  file size    " << FormatBytes(movie.fileSize()) << ": ";
    bool first = true;
    for (const qtfile::TopLevelAtom& atom : movie.topLevelAtoms()) {
        out << (first ? "" : ", ") << FormatFourCC(atom.type) << " " << FormatBytes(atom.size);
        first = false;
    }
    out << "\n  duration     " << FormatSeconds(Seconds(header.duration, header.timeScale))
        << " (time scale " << header.timeScale << ")\n";
    out << "  tracks       " << movie.trackCount() << "\n";
    for (size_t i = 0; i < movie.trackCount(); ++i) {
        const qtfile::TrackAtom& track = movie.track(i);
        const qtfile::SampleTableIndex& samples = movie.samples(i);
        const uint32_t scale = track.media.header.timeScale;
        const double seconds = Seconds(samples.totalDuration(), scale);
        out << "    track " << track.header.trackID << "  ";
        DescribeFormat(out, track, samples.sampleCount(), seconds);
        out << "\n      samples    " << samples.sampleCount();
        const auto& sync = track.media.information.sampleTable.syncSamples;
        out << " (" << (sync ? std::to_string(sync->sampleNumbers.size()) : "all") << " sync), "
            << FormatSeconds(seconds) << " (time scale " << scale << "), "
            << FormatBytes(MediaBytes(track.media.information.sampleTable)) << "\n";
        if (track.header.layer != 0) {
            out << "      layer      " << track.header.layer << "\n";
        }
        DescribeEditsAndReferences(out, track, movie);
        if (track.media.mediaType() == 'text') {
            DescribeCaptions(out, movie, i);
        }
        if (options.list) {
            ListSamples(out, movie, i);
        }
    }
}

}  // namespace mvd
