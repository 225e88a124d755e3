// Helpers for the movie writing tests: a movie file to put tracks in, held
// tracks, and checks of the recovery file's lock and of failure messages.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "MVDCommon/MVDException.h"

#include "ImageCompression/MovieFrameDecoder.h"
#include "MovieToolbox/MovieFileReader.h"
#include "MovieToolbox/Movies.h"
#include "QuickTime/QTRecoveryWriterFile.h"
#include "Support/DecodedFrames.h"
#include "Support/LittleEndianBytes.h"
#include "Support/TempDir.h"

namespace mvdtest {

// True when another thread can take the file's lock within a second.
inline bool LockIsFree(QTRecoveryWriterFile* file) {
    auto taken = std::async(std::launch::async, [file] {
        file->lock();
        file->unlock();
    });
    return taken.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
}

// The message of the exception of that type that body throws.
template <class Exception = MVDException, class Body>
std::string MessageOf(Body body) {
    try {
        body();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no exception)";
}

// Files may grow to `limit` bytes while it lives (a full disk, in this
// process; writes beyond fail instead of raising SIGXFSZ).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t limit) : m_previous(signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        struct rlimit limited = m_saved;
        limited.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_previous);
    }

  private:
    struct rlimit m_saved;
    sighandler_t m_previous;
};

// Holds a track (or any other counted object) the way a writer does.
template <class Track>
struct Held {
    explicit Held(Track* t) : track(t) { track->retain(); }
    ~Held() { track->release(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Track* operator->() const { return track; }
    Track* get() const { return track; }
    Track* track;
};

// A movie file made with the Movie Toolbox, for tracks tested on their own.
class MovieFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(EnterMovies(), noErr);
        m_path = m_dir.file("movie.mov");
        FSSpec location;
        ASSERT_EQ(NativePathNameToFSSpec(m_path.data(), &location, 0), fnfErr);
        ASSERT_EQ(CreateMovieFile(&location, 'TVOD', smCurrentScript, 0, &m_refNum, &m_movie),
                  noErr);
    }
    void TearDown() override {
        if (m_movie != nullptr) {
            CloseMovieFile(m_refNum);
            DisposeMovie(m_movie);
        }
        ExitMovies();
    }
    // Writes the movie resource and reads the file back.
    void finishAndRead(qtfile::MovieFileReader& reader) {
        short resId = movieInDataForkResID;
        ASSERT_EQ(AddMovieResource(m_movie, m_refNum, &resId, nullptr), noErr);
        auto status = reader.open(m_path);
        ASSERT_TRUE(status.ok()) << status.message;
    }
    std::vector<unsigned char> recoveryBytes() const {
        return ReadFileBytes(m_dir.file("movie.rcv"));
    }
    std::string recoveryPath() const { return m_dir.file("movie.rcv"); }

    TempDir m_dir;
    std::string m_path;
    short m_refNum = 0;
    Movie m_movie = nullptr;
};

}  // namespace mvdtest
