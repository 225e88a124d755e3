// Movie Toolbox: lifetime, errors, movie files and movie-wide settings.
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "MovieToolbox/MovieInternals.h"

namespace mtb {

namespace {

thread_local OSErr t_lastError = noErr;
std::atomic<int> g_enterCount{0};

// Open movie files by reference number.
class FileTable {
  public:
    short add(std::shared_ptr<MovieDataFile> file) {
        std::lock_guard lock(m_mutex);
        for (short refNum = 1; refNum < 0x7FFF; ++refNum) {
            if (m_files.find(refNum) == m_files.end()) {
                m_files[refNum] = std::move(file);
                return refNum;
            }
        }
        return 0;
    }
    std::shared_ptr<MovieDataFile> find(short refNum) {
        std::lock_guard lock(m_mutex);
        auto it = m_files.find(refNum);
        return it == m_files.end() ? nullptr : it->second;
    }
    bool remove(short refNum) {
        std::lock_guard lock(m_mutex);
        return m_files.erase(refNum) == 1;
    }

  private:
    std::mutex m_mutex;
    std::map<short, std::shared_ptr<MovieDataFile>> m_files;
};

FileTable& Files() {
    static FileTable table;
    return table;
}

// Clamps a 64-bit duration to a TimeValue.
TimeValue ToTimeValue(int64_t value) {
    return value > INT32_MAX ? INT32_MAX : static_cast<TimeValue>(value);
}

}  // namespace

OSErr SetMoviesError(OSErr err) {
    t_lastError = err;
    return err;
}

MatrixRecord IdentityMatrix() {
    MatrixRecord m{};
    m.matrix[0][0] = 0x10000;
    m.matrix[1][1] = 0x10000;
    m.matrix[2][2] = 0x40000000;
    return m;
}

uint64_t SecondsSince1904() {
    constexpr uint64_t kSeconds1904To1970 = 2082844800ull;
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return kSeconds1904To1970 +
           static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

int64_t ScaleTime(int64_t value, int64_t fromScale, int64_t toScale) {
    if (fromScale <= 0 || fromScale == toScale) {
        return value;
    }
    __int128 product = static_cast<__int128>(value) * toScale;
    __int128 quotient = product / fromScale;
    if (product % fromScale != 0 && product < 0) {
        --quotient;  // round toward negative infinity
    }
    if (quotient > INT64_MAX) {
        return INT64_MAX;
    }
    if (quotient < INT64_MIN) {
        return INT64_MIN;
    }
    return static_cast<int64_t>(quotient);
}

int64_t TrackDurationOf(const TrackRecord& track) {
    int64_t total = 0;
    for (const auto& edit : track.edits) {
        total += edit.trackDuration;
    }
    return total;
}

int64_t MovieDurationOf(const MovieRecord& movie) {
    int64_t longest = 0;
    for (const auto& track : movie.tracks) {
        longest = std::max(longest, TrackDurationOf(*track));
    }
    return longest;
}

}  // namespace mtb

using namespace mtb;

OSErr EnterMovies() {
    ++g_enterCount;
    return SetMoviesError(noErr);
}

void ExitMovies() {
    int count = g_enterCount.load();
    while (count > 0 && !g_enterCount.compare_exchange_weak(count, count - 1)) {
    }
    SetMoviesError(noErr);
}

OSErr GetMoviesError() {
    return t_lastError;
}

OSErr NativePathNameToFSSpec(char* inPath, FSSpec* location, long) {
    if (inPath == nullptr || location == nullptr || inPath[0] == '\0') {
        return SetMoviesError(paramErr);
    }
    size_t length = std::strlen(inPath);
    if (length >= sizeof location->path) {
        return SetMoviesError(paramErr);
    }
    std::memset(location, 0, sizeof *location);
    std::memcpy(location->path, inPath, length + 1);
    struct stat info {};
    if (::stat(inPath, &info) == 0) {
        return SetMoviesError(noErr);
    }
    if (errno != ENOENT) {
        return SetMoviesError(OSErrFromErrno(errno));
    }
    std::string folder(inPath);
    size_t slash = folder.find_last_of('/');
    folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : folder.substr(0, slash));
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return SetMoviesError(dirNFErr);
    }
    return SetMoviesError(fnfErr);
}

OSErr CreateMovieFile(const FSSpec* fileLocation, OSType, ScriptCode, long flags, short* resRefNum,
                      Movie* newmovie) {
    if (g_enterCount.load() == 0) {
        return SetMoviesError(movieToolboxUninitialized);
    }
    bool wantMovie = (flags & createMovieFileDontCreateMovie) == 0;
    bool openFile = (flags & createMovieFileDontOpenFile) == 0;
    if (fileLocation == nullptr || fileLocation->path[0] == '\0' ||
        (wantMovie && newmovie == nullptr) || (openFile && resRefNum == nullptr)) {
        return SetMoviesError(paramErr);
    }
    std::shared_ptr<MovieDataFile> file;
    OSErr err = MovieDataFile::Create(fileLocation->path,
                                      (flags & createMovieFileDeleteCurFile) != 0, file);
    if (err != noErr) {
        return SetMoviesError(err);
    }
    if (openFile) {
        short refNum = Files().add(file);
        if (refNum == 0) {
            return SetMoviesError(-42);  // tmfoErr: too many files open
        }
        *resRefNum = refNum;
    }
    if (wantMovie) {
        auto movie = new MovieRecord;
        movie->matrix = IdentityMatrix();
        movie->file = file;
        movie->creationTime = SecondsSince1904();
        *newmovie = movie;
    }
    return SetMoviesError(noErr);
}

OSErr AddMovieResource(Movie theMovie, short resRefNum, short* resId, const unsigned char*) {
    if (theMovie == nullptr) {
        return SetMoviesError(invalidMovie);
    }
    if (resId == nullptr || *resId != movieInDataForkResID) {
        return SetMoviesError(paramErr);  // movie files here have no resource fork
    }
    std::shared_ptr<MovieDataFile> file = Files().find(resRefNum);
    std::lock_guard lock(theMovie->mutex);
    if (file == nullptr || file != theMovie->file) {
        return SetMoviesError(paramErr);
    }
    qtfile::ByteWriter out;
    if (!qtfile::WriteAtom(out, BuildMovieAtom(*theMovie))) {
        return SetMoviesError(internalQuickTimeError);
    }
    return SetMoviesError(file->writeMovieAtom(out.data()));
}

OSErr CloseMovieFile(short resRefNum) {
    return SetMoviesError(Files().remove(resRefNum) ? OSErr{noErr} : OSErr{paramErr});
}

void DisposeMovie(Movie theMovie) {
    delete theMovie;
    SetMoviesError(noErr);
}

namespace {

// The union of the tracks' boxes (their dimensions placed by the scale and
// translation of their matrices), before the movie matrix; false when no
// track has an area.
bool NaturalBounds(const MovieRecord& movie, double& left, double& top, double& right,
                   double& bottom) {
    bool any = false;
    for (const auto& track : movie.tracks) {
        if (track->width <= 0 || track->height <= 0) {
            continue;
        }
        const auto& m = track->matrix.matrix;
        double l = FixedToDouble(m[2][0]);
        double t = FixedToDouble(m[2][1]);
        double r = l + FixedToDouble(track->width) * FixedToDouble(m[0][0]);
        double b = t + FixedToDouble(track->height) * FixedToDouble(m[1][1]);
        left = any ? std::min(left, l) : l;
        top = any ? std::min(top, t) : t;
        right = any ? std::max(right, r) : r;
        bottom = any ? std::max(bottom, b) : b;
        any = true;
    }
    return any && right > left && bottom > top;
}

SInt16 RoundToShort(double v) {
    return static_cast<SInt16>(std::lround(v));
}

}  // namespace

// Sets the movie matrix's scale and translation so that the tracks' natural
// box fills boxRect; a movie without visible tracks is only moved.
void SetMovieBox(Movie theMovie, const Rect* boxRect) {
    if (theMovie == nullptr || boxRect == nullptr) {
        SetMoviesError(theMovie == nullptr ? OSErr{invalidMovie} : OSErr{paramErr});
        return;
    }
    std::lock_guard lock(theMovie->mutex);
    double left = 0, top = 0, right = 0, bottom = 0;
    MatrixRecord m = IdentityMatrix();
    double sx = 1.0, sy = 1.0;
    if (NaturalBounds(*theMovie, left, top, right, bottom)) {
        sx = (boxRect->right - boxRect->left) / (right - left);
        sy = (boxRect->bottom - boxRect->top) / (bottom - top);
    }
    m.matrix[0][0] = DoubleToFixed(sx);
    m.matrix[1][1] = DoubleToFixed(sy);
    m.matrix[2][0] = DoubleToFixed(boxRect->left - left * sx);
    m.matrix[2][1] = DoubleToFixed(boxRect->top - top * sy);
    theMovie->matrix = m;
    SetMoviesError(noErr);
}

void GetMovieBox(Movie theMovie, Rect* boxRect) {
    if (theMovie == nullptr || boxRect == nullptr) {
        SetMoviesError(theMovie == nullptr ? OSErr{invalidMovie} : OSErr{paramErr});
        return;
    }
    std::lock_guard lock(theMovie->mutex);
    double left = 0, top = 0, right = 0, bottom = 0;
    Rect box{0, 0, 0, 0};
    if (NaturalBounds(*theMovie, left, top, right, bottom)) {
        const auto& m = theMovie->matrix.matrix;
        double sx = FixedToDouble(m[0][0]), sy = FixedToDouble(m[1][1]);
        double tx = FixedToDouble(m[2][0]), ty = FixedToDouble(m[2][1]);
        box = Rect{RoundToShort(top * sy + ty), RoundToShort(left * sx + tx),
                   RoundToShort(bottom * sy + ty), RoundToShort(right * sx + tx)};
    }
    *boxRect = box;
    SetMoviesError(noErr);
}

void SetMovieClipRgn(Movie theMovie, RgnHandle theClip) {
    if (theMovie == nullptr) {
        SetMoviesError(invalidMovie);
        return;
    }
    std::lock_guard lock(theMovie->mutex);
    if (theClip == nullptr || *theClip == nullptr) {
        theMovie->clip.reset();
    } else {
        theMovie->clip = (*theClip)->rgnBBox;
    }
    SetMoviesError(noErr);
}

TimeScale GetMovieTimeScale(Movie theMovie) {
    if (theMovie == nullptr) {
        SetMoviesError(invalidMovie);
        return 0;
    }
    std::lock_guard lock(theMovie->mutex);
    SetMoviesError(noErr);
    return theMovie->timeScale;
}

void SetMovieTimeScale(Movie theMovie, TimeScale timeScale) {
    if (theMovie == nullptr || timeScale <= 0) {
        SetMoviesError(theMovie == nullptr ? OSErr{invalidMovie} : OSErr{paramErr});
        return;
    }
    std::lock_guard lock(theMovie->mutex);
    for (auto& track : theMovie->tracks) {
        for (auto& edit : track->edits) {
            edit.trackDuration = ScaleTime(edit.trackDuration, theMovie->timeScale, timeScale);
        }
    }
    theMovie->timeScale = timeScale;
    SetMoviesError(noErr);
}

TimeValue GetMovieDuration(Movie theMovie) {
    if (theMovie == nullptr) {
        SetMoviesError(invalidMovie);
        return 0;
    }
    std::lock_guard lock(theMovie->mutex);
    SetMoviesError(noErr);
    return ToTimeValue(MovieDurationOf(*theMovie));
}

void SetMovieMatrix(Movie theMovie, const MatrixRecord* matrix) {
    if (theMovie == nullptr) {
        SetMoviesError(invalidMovie);
        return;
    }
    std::lock_guard lock(theMovie->mutex);
    theMovie->matrix = matrix != nullptr ? *matrix : IdentityMatrix();
    SetMoviesError(noErr);
}

void GetMovieMatrix(Movie theMovie, MatrixRecord* matrix) {
    if (theMovie == nullptr || matrix == nullptr) {
        SetMoviesError(theMovie == nullptr ? OSErr{invalidMovie} : OSErr{paramErr});
        return;
    }
    std::lock_guard lock(theMovie->mutex);
    *matrix = theMovie->matrix;
    SetMoviesError(noErr);
}

long GetMovieTrackCount(Movie theMovie) {
    if (theMovie == nullptr) {
        SetMoviesError(invalidMovie);
        return 0;
    }
    std::lock_guard lock(theMovie->mutex);
    SetMoviesError(noErr);
    return static_cast<long>(theMovie->tracks.size());
}

Track GetMovieIndTrack(Movie theMovie, long index) {
    if (theMovie == nullptr) {
        SetMoviesError(invalidMovie);
        return nullptr;
    }
    std::lock_guard lock(theMovie->mutex);
    if (index < 1 || index > static_cast<long>(theMovie->tracks.size())) {
        SetMoviesError(badTrackIndex);
        return nullptr;
    }
    SetMoviesError(noErr);
    return theMovie->tracks[static_cast<size_t>(index - 1)].get();
}

void ConvertTimeScale(TimeRecord* theTime, TimeScale newScale) {
    if (theTime == nullptr || newScale <= 0 || theTime->scale <= 0) {
        SetMoviesError(paramErr);
        return;
    }
    int64_t value = WideToSInt64(theTime->value);
    theTime->value = SInt64ToWide(ScaleTime(value, theTime->scale, newScale));
    theTime->scale = newScale;
    SetMoviesError(noErr);
}
