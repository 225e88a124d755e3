// A movie file written straight through the Movie Toolbox calls, for tests
// that add samples themselves.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "MovieToolbox/Movies.h"
#include "Support/SampleMovie.h"
#include "Support/SoundFormats.h"
#include "Support/TempDir.h"

namespace mvdtest {

struct ToolboxMovie {
    explicit ToolboxMovie(const std::string& path) {
        EnterMovies();
        FSSpec location;
        NativePathNameToFSSpec(const_cast<char*>(path.c_str()), &location, 0);
        created = CreateMovieFile(&location, 'TVOD', smCurrentScript, createMovieFileDeleteCurFile,
                                  &refNum, &movie);
    }
    ~ToolboxMovie() {
        for (SampleDescriptionHandle description : {image, sound}) {
            if (description != nullptr) {
                DisposeHandle(reinterpret_cast<Handle>(description));
            }
        }
        if (movie != nullptr) {
            CloseMovieFile(refNum);
            DisposeMovie(movie);
        }
        ExitMovies();
    }
    ToolboxMovie(const ToolboxMovie&) = delete;
    ToolboxMovie& operator=(const ToolboxMovie&) = delete;

    Media addMedia(OSType type, TimeScale scale, int width = 0, int height = 0) {
        Track track = NewMovieTrack(movie, FixedFromInt(width), FixedFromInt(height),
                                    type == SoundMediaType ? kFullVolume : kNoVolume);
        return NewTrackMedia(track, type, scale, nullptr, 0);
    }
    // An 8x8 raw video media at 600 and a mono 16-bit PCM media at 8000,
    // with a description for each.
    void addVideoAndSound() {
        video = addMedia(VideoMediaType, 600, 8, 8);
        audio = addMedia(SoundMediaType, 8000);
        image =
            reinterpret_cast<SampleDescriptionHandle>(NewImageDescription(kRawCodecType, 8, 8, 32));
        sound = reinterpret_cast<SampleDescriptionHandle>(NewSoundDescription(PCMStream(1, 8000)));
    }
    // Inserts every media whole into its track and writes the movie atom.
    OSErr finish(std::initializer_list<Media> media) {
        for (Media m : media) {
            if (OSErr err =
                    InsertMediaIntoTrack(GetMediaTrack(m), -1, 0, GetMediaDuration(m), 0x10000);
                err != noErr) {
                return err;
            }
        }
        short resId = movieInDataForkResID;
        return AddMovieResource(movie, refNum, &resId, nullptr);
    }

    OSErr created = noErr;
    short refNum = 0;
    Movie movie = nullptr;
    Media video = nullptr;
    Media audio = nullptr;
    SampleDescriptionHandle image = nullptr;
    SampleDescriptionHandle sound = nullptr;
};

// The reference of the samples added by the call whose first sample starts
// at `time`.
inline SampleReference64Record ReferenceAt(Media media, TimeValue64 time) {
    SampleReference64Record ref{};
    long count = 0;
    GetMediaSampleReferences64(media, static_cast<TimeValue>(time), nullptr, nullptr, nullptr, 1,
                               &count, &ref);
    return ref;
}

// A suite sharing one sample movie, written once.
class SampleMovieSuite : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        s_movie = new SampleMovie(WriteSampleMovie(s_dir->file("sample.mov")));
    }
    static void TearDownTestSuite() {
        delete s_movie;
        delete s_dir;
    }
    static inline TempDir* s_dir = nullptr;
    static inline SampleMovie* s_movie = nullptr;
};

}  // namespace mvdtest
