// The Movie Toolbox subset that writes QuickTime movie files: movie files,
// tracks, media, samples, edits and track references, with the names,
// signatures and result codes of the host API.
//
// A movie made by CreateMovieFile keeps its sample data in that file: each
// sample added with AddMediaSample2 is written to the file at once (one
// write(2) call, no user-space buffering) at the end of its 'mdat' atom, and
// GetMediaSampleReferences64 reports where it went.  AddMovieResource writes
// the 'moov' atom after the data and fixes the size of the 'mdat' atom.
//
// Calls that return nothing report their result through GetMoviesError(),
// which holds the result of the last call made on the calling thread.  All
// calls on one movie (its tracks and media included) may be made from several
// threads; each movie serialises them.
#pragma once

#include "Base/MacMemory.h"
#include "Base/MacTypes.h"
#include "Components/Components.h"  // ComponentInstance, badComponentSelector
#include "Files/Files.h"
#include "QuickDraw/QuickDraw.h"

struct MovieRecord;
typedef MovieRecord* Movie;
struct TrackRecord;
typedef TrackRecord* Track;
struct MediaRecord;
typedef MediaRecord* Media;
struct ComponentInstanceRecord;
typedef ComponentInstanceRecord* ComponentInstance;
typedef ComponentInstance MediaHandler;
struct TimeBaseRecord;
typedef TimeBaseRecord* TimeBase;

typedef SInt32 TimeValue;
typedef SInt32 TimeScale;
typedef wide CompTimeValue;
typedef SInt64 TimeValue64;
typedef UInt32 MediaSampleFlags;
typedef ComponentResult HandlerError;

struct TimeRecord {
    CompTimeValue value;
    TimeScale scale;
    TimeBase base;
};

struct MatrixRecord {
    Fixed matrix[3][3];
};

// The common head of every sample description; the media type decides what
// follows (ImageDescription, SoundDescription, TextDescription).  In memory
// the head's numbers are in host byte order.
#pragma pack(push, 2)
struct SampleDescription {
    SInt32 descSize;
    OSType dataFormat;
    SInt32 resvd1;
    SInt16 resvd2;
    SInt16 dataRefIndex;
};
#pragma pack(pop)
typedef SampleDescription* SampleDescriptionPtr;
typedef SampleDescriptionPtr* SampleDescriptionHandle;

// One run of equal samples as stored in a movie's data.
struct SampleReference64Record {
    wide dataOffset;
    UInt32 dataSize;  // bytes of the whole run
    TimeValue durationPerSample;
    UInt32 numberOfSamples;
    SInt16 sampleFlags;
};
typedef SampleReference64Record* SampleReference64Ptr;

// Movie Toolbox result codes.
enum : OSErr {
    couldNotResolveDataRef = -2000,
    badImageDescription = -2001,
    badPublicMovieAtom = -2002,
    cantFindHandler = -2003,
    cantOpenHandler = -2004,
    badComponentType = -2005,
    noMediaHandler = -2006,
    noDataHandler = -2007,
    invalidMedia = -2008,
    invalidTrack = -2009,
    invalidMovie = -2010,
    invalidSampleTable = -2011,
    invalidDataRef = -2012,
    invalidHandler = -2013,
    invalidDuration = -2014,
    invalidTime = -2015,
    cantPutPublicMovieAtom = -2016,
    badEditList = -2017,
    mediaTypesDontMatch = -2018,
    progressProcAborted = -2019,
    movieToolboxUninitialized = -2020,
    wfFileNotFound = -2021,
    cantCreateSingleForkFile = -2022,
    invalidEditState = -2023,
    nonMatchingEditState = -2024,
    staleEditState = -2025,
    userDataItemNotFound = -2026,
    maxSizeToGrowTooSmall = -2027,
    badTrackIndex = -2028,
    trackIDNotFound = -2029,
    trackNotInMovie = -2030,
    timeNotInTrack = -2031,
    timeNotInMedia = -2032,
    badEditIndex = -2033,
    internalQuickTimeError = -2034,
    cantEnableTrack = -2035,
    invalidRect = -2036,
    invalidSampleNum = -2037,
    invalidChunkNum = -2038,
    invalidSampleDescIndex = -2039,
    invalidChunkCache = -2040,
    invalidSampleDescription = -2041,
    dataNotOpenForRead = -2042,
    dataNotOpenForWrite = -2043,
    dataAlreadyOpenForWrite = -2044,
    dataAlreadyClosed = -2045,
    endOfDataReached = -2046,
    dataNoDataRef = -2047,
    noMovieFound = -2048,
    invalidDataRefContainer = -2049,
    badDataRefIndex = -2050,
    noDefaultDataRef = -2051,
    couldNotUseAnExistingSample = -2052,
    featureUnsupported = -2053,
};

enum : OSType {
    MovieFileType = 'MooV',
    VideoMediaType = 'vide',
    SoundMediaType = 'soun',
    TextMediaType = 'text',
    MediaHandlerType = 'mhlr',
    DataHandlerType = 'dhlr',
    kTrackReferenceChapterList = 'chap',
};

// CreateMovieFile flags.
enum : SInt32 {
    newMovieActive = 1 << 0,
    createMovieFileDontCreateResFile = 1 << 28,
    createMovieFileDontOpenFile = 1 << 29,
    createMovieFileDontCreateMovie = 1 << 30,
    createMovieFileDeleteCurFile = static_cast<SInt32>(1u << 31),
};

// AddMovieResource: put the movie in the data fork.
enum : SInt16 { movieInDataForkResID = -1 };

enum : SInt16 { kFullVolume = 0x100, kNoVolume = 0 };

enum : MediaSampleFlags {
    mediaSampleNotSync = 1u << 0,
    mediaSampleShadowSync = 1u << 1,
    mediaSamplePartialSync = 1u << 16,
    mediaSampleDroppable = 1u << 27,
};

// Graphics transfer modes for MediaSetGraphicsMode.
enum : SInt32 {
    srcCopy = 0,
    ditherCopy = 0x40,
    blend = 0x20,
    transparent = 0x24,
    graphicsModeStraightAlpha = 0x100,
};

enum : ScriptCode { smCurrentScript = -2 };

// Movie Toolbox lifetime: EnterMovies before any movie is made; each
// EnterMovies is matched by an ExitMovies.
OSErr EnterMovies();
void ExitMovies();
OSErr GetMoviesError();

// Fills location from a path.  fnfErr when no file is there yet (the location is
// still filled, for a file about to be created), dirNFErr when its folder is
// missing, paramErr for a path that is empty or too long.
OSErr NativePathNameToFSSpec(char* inPath, FSSpec* location, long flags);

// Creates the movie file (replacing an existing one only with
// createMovieFileDeleteCurFile, else dupFNErr), opens it for writing and
// returns its reference number and a new, empty movie whose data goes into
// it.  Creator and script are accepted and not recorded: files here carry no
// creator.
OSErr CreateMovieFile(const FSSpec* fileLocation, OSType creator, ScriptCode scriptTag,
                      long createMovieFileFlags, short* resRefNum, Movie* newmovie);
// Writes the movie atom at the end of the file and fixes the size of the
// media data atom.  Only the data fork exists here: *resId must be
// movieInDataForkResID.  Calling it again writes the movie anew and turns the
// earlier movie atom into free space; samples added in between go into a new
// media data atom.
OSErr AddMovieResource(Movie theMovie, short resRefNum, short* resId, const unsigned char* resName);
OSErr CloseMovieFile(short resRefNum);
void DisposeMovie(Movie theMovie);

void SetMovieBox(Movie theMovie, const Rect* boxRect);
void GetMovieBox(Movie theMovie, Rect* boxRect);
void SetMovieClipRgn(Movie theMovie, RgnHandle theClip);
TimeScale GetMovieTimeScale(Movie theMovie);
// Changes the movie time scale; edits already made are converted to it.
void SetMovieTimeScale(Movie theMovie, TimeScale timeScale);
TimeValue GetMovieDuration(Movie theMovie);
void SetMovieMatrix(Movie theMovie, const MatrixRecord* matrix);
void GetMovieMatrix(Movie theMovie, MatrixRecord* matrix);
long GetMovieTrackCount(Movie theMovie);
Track GetMovieIndTrack(Movie theMovie, long index);  // 1-based

// Converts theTime to newScale, rounding toward negative infinity.
void ConvertTimeScale(TimeRecord* theTime, TimeScale newScale);

Track NewMovieTrack(Movie theMovie, Fixed width, Fixed height, short trackVolume);
long GetTrackID(Track theTrack);
Movie GetTrackMovie(Track theTrack);
Media GetTrackMedia(Track theTrack);
void SetTrackDimensions(Track theTrack, Fixed width, Fixed height);
void GetTrackDimensions(Track theTrack, Fixed* width, Fixed* height);
void SetTrackMatrix(Track theTrack, const MatrixRecord* matrix);
void GetTrackMatrix(Track theTrack, MatrixRecord* matrix);
void SetTrackLayer(Track theTrack, short layer);
short GetTrackLayer(Track theTrack);
void SetTrackVolume(Track theTrack, short volume);
short GetTrackVolume(Track theTrack);
TimeValue GetTrackDuration(Track theTrack);
// Adds refTrack to theTrack's references of refType ('chap': refTrack holds
// theTrack's chapter titles).  *addedIndex receives its 1-based place in that
// list; a track already listed keeps its place.
OSErr AddTrackReference(Track theTrack, Track refTrack, OSType refType, long* addedIndex);
// Adds an edit that plays mediaDuration media units from mediaTime (-1 for
// empty time) at trackStart (-1: the end of the track) at mediaRate.  Every
// call adds its own edit-list entry; a start past the end of the track is
// preceded by an empty edit, one inside the track splits the edit there.
OSErr InsertMediaIntoTrack(Track theTrack, TimeValue trackStart, TimeValue mediaTime,
                           TimeValue mediaDuration, Fixed mediaRate);

// Media types 'vide', 'soun' and 'text'; the data goes to the movie's file
// (dataRef must be null).
Media NewTrackMedia(Track theTrack, OSType mediaType, TimeScale timeScale, Handle dataRef,
                    OSType dataRefType);
Track GetMediaTrack(Media theMedia);
TimeValue GetMediaDuration(Media theMedia);
TimeValue64 GetMediaDisplayDuration(Media theMedia);
TimeScale GetMediaTimeScale(Media theMedia);
void SetMediaLanguage(Media theMedia, short language);
short GetMediaLanguage(Media theMedia);
MediaHandler GetMediaHandler(Media theMedia);
Media GetMediaHandlerMedia(MediaHandler mh);
HandlerError MediaSetGraphicsMode(MediaHandler mh, long mode, const RGBColor* opColor);
HandlerError MediaGetGraphicsMode(MediaHandler mh, long* mode, RGBColor* opColor);
OSErr BeginMediaEdits(Media theMedia);
OSErr EndMediaEdits(Media theMedia);

// Adds numberOfSamples samples of equal size (size / numberOfSamples bytes
// each) and equal duration, writes their bytes to the movie file at once and
// returns the decode time of the first.  A null description reuses the one
// of the previous sample.  mediaSampleNotSync marks them as not sync samples.
OSErr AddMediaSample2(Media theMedia, const UInt8* dataIn, ByteCount size,
                      TimeValue64 decodeDurationPerSample, TimeValue64 displayOffset,
                      SampleDescriptionHandle sampleDescriptionH, ItemCount numberOfSamples,
                      MediaSampleFlags sampleFlags, TimeValue64* sampleDecodeTimeOut);
// Reports the sample references (one per AddMediaSample2 call) from the one
// that holds media time `time`, at most maxNumberOfEntries of them: their
// place in the file, sizes, durations, counts and flags; *sampleTime is the
// media time at which the first begins.  sampleDescriptionH, when not null,
// receives the first reference's description (the handle is resized).
OSErr GetMediaSampleReferences64(Media theMedia, TimeValue time, TimeValue* sampleTime,
                                 SampleDescriptionHandle sampleDescriptionH,
                                 long* sampleDescriptionIndex, long maxNumberOfEntries,
                                 long* actualNumberofEntries, SampleReference64Ptr sampleRefs);
long GetMediaSampleCount(Media theMedia);
long GetMediaSampleDescriptionCount(Media theMedia);
// Copies description number index (1-based) into descH, resizing it.
void GetMediaSampleDescription(Media theMedia, long index, SampleDescriptionHandle descH);

// Text media.
enum : SInt32 {
    dfDontDisplay = 1 << 0,
    dfDontAutoScale = 1 << 1,
    dfClipToTextBox = 1 << 2,
    dfUseMovieBGColor = 1 << 3,
    dfShrinkTextBoxToFit = 1 << 4,
    dfScrollIn = 1 << 5,
    dfScrollOut = 1 << 6,
    dfHorizScroll = 1 << 7,
    dfReverseScroll = 1 << 8,
    dfContinuousScroll = 1 << 9,
    dfFlowHoriz = 1 << 10,
    dfContinuousKaraoke = 1 << 11,
    dfDropShadow = 1 << 12,
    dfAntiAlias = 1 << 13,
    dfKeyedText = 1 << 14,
    dfInverseHilite = 1 << 15,
    dfTextColorHilite = 1 << 16,
};

enum : SInt16 { teFlushDefault = 0, teCenter = 1, teFlushRight = -1, teFlushLeft = -2 };

// TextMediaSetTextSampleData data type: the text encoding (a TextEncoding,
// e.g. kTextEncodingUnicodeDefault) of the samples added after it.
enum : OSType { kTXNTextEncodingAttribute = 'encd' };
typedef UInt32 TextEncoding;
enum : TextEncoding {
    kTextEncodingMacRoman = 0,
    kTextEncodingUnicodeDefault = 0x0100,
    kTextEncodingUTF8 = 0x08000100,
};

#pragma pack(push, 2)
struct ScrpSTElement {
    SInt32 scrpStartChar;
    SInt16 scrpHeight;
    SInt16 scrpAscent;
    SInt16 scrpFont;
    Style scrpFace;
    UInt8 filler;
    SInt16 scrpSize;
    RGBColor scrpColor;
};

// The sample description of text media; in memory its numbers are in host
// byte order.
struct TextDescription {
    SInt32 descSize;
    OSType dataFormat;
    SInt32 resvd1;
    SInt16 resvd2;
    SInt16 dataRefIndex;
    SInt32 displayFlags;
    SInt32 textJustification;
    RGBColor bgColor;
    Rect defaultTextBox;
    ScrpSTElement defaultStyle;
    char defaultFontName[1];  // a counted string
};
#pragma pack(pop)
static_assert(sizeof(ScrpSTElement) == 20);
typedef TextDescription* TextDescriptionPtr;
typedef TextDescriptionPtr* TextDescriptionHandle;
// Bytes of a text description with an empty font name.
constexpr SInt32 kTextDescriptionSize = 59;

ComponentResult TextMediaSetTextSampleData(MediaHandler mh, void* data, OSType dataType);
// Adds one text sample: the text (size bytes), shown with the given style in
// textBox for duration media units.  Unicode text without a byte-order mark is
// taken as UTF-8 and labelled so in the sample.
ComponentResult TextMediaAddTextSample(MediaHandler mh, Ptr text, unsigned long size,
                                       short fontNumber, short fontSize, Style textFace,
                                       RGBColor* textColor, RGBColor* backColor,
                                       short textJustification, Rect* textBox, long displayFlags,
                                       TimeValue scrollDelay, short hiliteStart, short hiliteEnd,
                                       RGBColor* rgbHiliteColor, TimeValue duration,
                                       TimeValue* sampleTime);

// Helpers for 64-bit time values held as `wide`.
inline SInt64 WideToSInt64(const wide& w) {
    return static_cast<SInt64>((static_cast<UInt64>(static_cast<UInt32>(w.hi)) << 32) | w.lo);
}
inline wide SInt64ToWide(SInt64 v) {
    return wide{static_cast<UInt32>(static_cast<UInt64>(v)),
                static_cast<SInt32>(static_cast<UInt64>(v) >> 32)};
}
