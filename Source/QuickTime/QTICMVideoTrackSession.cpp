// Setting up the video track: its QuickTime track and media, and the
// compression session that encodes its frames, from explicit values or from
// standard compression settings.
#include <cmath>
#include <limits>

#include "Codec/MVDKCodecComponent.h"
#include "MVDCommon/MVDException.h"
#include "QuickTime/QTICMVideoTrack.h"
#include "StandardCompression/StandardCompression.h"

namespace {

constexpr char kSetPropertyError[] = "ICMCompressionSessionOptionsSetProperty error";
constexpr char kScreenCodecError[] = "Error setting custom MVDK settings";
constexpr CodecType kScreenCodecType = 'mvdk';

void Check(OSStatus err, const char* message) {
    if (err != noErr) {
        throw SetupException(message);
    }
}

template <class Value>
void SetOption(ICMCompressionSessionOptionsRef options, ComponentPropertyID property,
               const Value& value, const char* message = kSetPropertyError) {
    Check(
        ICMCompressionSessionOptionsSetProperty(
            options, kQTPropertyClass_ICMCompressionSessionOptions, property, sizeof value, &value),
        message);
}

// The standard image compression component, told that its settings are for
// compression sessions.
OwnedComponent OpenStandardImageCompression(OSErr* err) {
    OwnedComponent sc =
        OpenOwnedComponent(StandardCompressionType, StandardCompressionSubType, err);
    if (sc != nullptr) {
        long flags = scAllowEncodingWithCompressionSession;
        *err = static_cast<OSErr>(SCSetInfo(sc.get(), scPreferenceFlagsType, &flags));
    }
    return sc;
}

Fixed FixedFromProduct(double product) {
    if (std::isnan(product)) {
        return 0;
    }
    if (product >= 2147483648.0) {
        return std::numeric_limits<Fixed>::max();
    }
    if (product <= -2147483648.0) {
        return std::numeric_limits<Fixed>::min();
    }
    return static_cast<Fixed>(product);  // toward zero
}

}  // namespace

MatrixRecord MatrixRecordFromFloats(const float (*matrix)[3]) {
    MatrixRecord record{};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            double factor = row == 2 && column == 2 ? 1073741824.0 : 65536.0;
            record.matrix[row][column] =
                FixedFromProduct(static_cast<double>(matrix[row][column]) * factor);
        }
    }
    return record;
}

QTICMVideoTrack::QTICMVideoTrack(uint32_t trackNumber, const tagMVDRect& rect, float value,
                                 uint32_t pixelFormat, uint32_t sourceValue, Movie movie,
                                 CodecType codecType, CodecQ quality, int32_t maxKeyFrameInterval,
                                 QTRecoveryWriterFile* recoveryFile)
    : VideoTrack(trackNumber, rect, value, pixelFormat, sourceValue) {
    setUpTrackAndMedia(movie);
    m_codecType = codecType;
    m_quality = quality;
    m_maxKeyFrameInterval = maxKeyFrameInterval;
    createSessionFromValues();
    setRecoveryFile(recoveryFile);
}

QTICMVideoTrack::QTICMVideoTrack(uint32_t trackNumber, const tagMVDRect& rect, float value,
                                 uint32_t pixelFormat, uint32_t sourceValue, Movie movie,
                                 CodecType codecType, CodecQ quality, int32_t maxKeyFrameInterval,
                                 QTRecoveryWriterFile* recoveryFile, const MatrixRecord& matrix)
    : QTICMVideoTrack(trackNumber, rect, value, pixelFormat, sourceValue, movie, codecType, quality,
                      maxKeyFrameInterval, recoveryFile) {
    SetTrackMatrix(m_track, &matrix);
}

QTICMVideoTrack::QTICMVideoTrack(uint32_t trackNumber, const tagMVDRect& rect, float value,
                                 uint32_t pixelFormat, uint32_t sourceValue, Movie movie,
                                 CodecType codecType, CodecQ quality, int32_t maxKeyFrameInterval,
                                 QTRecoveryWriterFile* recoveryFile, const float (*matrix)[3])
    : QTICMVideoTrack(trackNumber, rect, value, pixelFormat, sourceValue, movie, codecType, quality,
                      maxKeyFrameInterval, recoveryFile, MatrixRecordFromFloats(matrix)) {}

QTICMVideoTrack::QTICMVideoTrack(uint32_t trackNumber, const tagMVDRect& rect, float value,
                                 uint32_t pixelFormat, uint32_t sourceValue, Movie movie,
                                 QTAtomContainer settings)
    : VideoTrack(trackNumber, rect, value, pixelFormat, sourceValue) {
    setUpTrackAndMedia(movie);
    ICMCompressionSessionOptionsRef options = nullptr;
    CodecType codecType = 0;
    OSErr err = createICMCompressionSessionOptionsFromAtomContainer(settings, &options, &codecType);
    OwnedSessionOptions owned(options);
    if (err != noErr) {
        throw SetupException("Invalid QTAtomContainer specified!");
    }
    createSession(codecType, options);
}

void QTICMVideoTrack::setUpTrackAndMedia(Movie movie) {
    m_track =
        NewMovieTrack(movie, FixedFromInt(m_rect.width), FixedFromInt(m_rect.height), kNoVolume);
    if (m_track == nullptr) {
        throw SetupException("Unable to create video track.");
    }
    m_media = NewTrackMedia(m_track, VideoMediaType, kTimeScale, nullptr, 0);
    if (m_media == nullptr) {
        throw SetupException("Unable to create video media.");
    }
    SetTrackDimensions(m_track, FixedFromInt(m_rect.width), FixedFromInt(m_rect.height));
}

void QTICMVideoTrack::createSessionFromValues() {
    ICMCompressionSessionOptionsRef created = nullptr;
    Check(ICMCompressionSessionOptionsCreate(nullptr, &created),
          "ICMCompressionSessionOptionsCreate error");
    OwnedSessionOptions options(created);
    Check(ICMCompressionSessionOptionsSetAllowTemporalCompression(created, true),
          "ICMCompressionSessionOptionsSetAllowTemporalCompression error");
    if (m_codecType == kH264CodecType) {
        Check(ICMCompressionSessionOptionsSetAllowFrameReordering(created, true),
              "ICMCompressionSessionOptionsSetAllowFrameReordering error");
    }
    Check(ICMCompressionSessionOptionsSetMaxKeyFrameInterval(created, m_maxKeyFrameInterval),
          "ICMCompressionSessionOptionsSetMaxKeyFrameInterval error");
    Check(ICMCompressionSessionOptionsSetAllowFrameTimeChanges(created, false),
          "ICMCompressionSessionOptionsSetAllowFrameTimeChanges error");
    Check(ICMCompressionSessionOptionsSetDurationsNeeded(created, true),
          "ICMCompressionSessionOptionsSetDurationsNeeded error");
    SetOption(created, kICMCompressionSessionOptionsPropertyID_Quality, m_quality);
    SetOption(created, kICMCompressionSessionOptionsPropertyID_AverageDataRate, SInt32{0});
    SetOption(created, kICMCompressionSessionOptionsPropertyID_AllowAsyncCompletion, Boolean{true});
    if (m_codecType == kScreenCodecType) {
        setUpScreenCodec(created);
    }
    SetOption(created, kICMCompressionSessionOptionsPropertyID_Depth, UInt32{32});
    createSession(m_codecType, created);
}

// The screen codec is opened here so that it can be told the byte order of
// the frames before the session asks it which pixels it wants: told that
// they come as blue, green, red, alpha, it asks for 'BGRA' buffers and
// stores those bytes as they are.
void QTICMVideoTrack::setUpScreenCodec(ICMCompressionSessionOptionsRef options) {
    OSErr err = noErr;
    m_compressor = OpenOwnedComponent(compressorComponentType, kScreenCodecType, &err);
    Check(err, kScreenCodecError);
    if (m_pixelFormat == kCVPixelFormatType_32BGRA) {
        Check(static_cast<OSStatus>(MVDK_SetSrcEndianSwapped(m_compressor.get(), 1)),
              kScreenCodecError);
        m_sourceSwapped = true;
    }
    ComponentInstance compressor = m_compressor.get();
    SetOption(options, kICMCompressionSessionOptionsPropertyID_CompressorComponent, compressor,
              kScreenCodecError);
}

void QTICMVideoTrack::createSession(CodecType codecType, ICMCompressionSessionOptionsRef options) {
    ICMEncodedFrameOutputRecord output{writeEncodedFrameToMovie, this, nullptr};
    m_session.reset();
    ICMCompressionSessionRef session = nullptr;
    Check(ICMCompressionSessionCreate(nullptr, m_rect.width, m_rect.height, codecType, kTimeScale,
                                      options, nullptr, &output, &session),
          "ICMCompressionSessionCreate error");
    m_session.reset(session);
}

OSErr QTICMVideoTrack::createICMCompressionSessionOptionsFromAtomContainer(
    QTAtomContainer settings, ICMCompressionSessionOptionsRef* options, CodecType* codecType) {
    if (options == nullptr) {
        return paramErr;
    }
    OSErr err = noErr;
    OwnedComponent sc = OpenStandardImageCompression(&err);
    if (err == noErr) {
        err = static_cast<OSErr>(SCSetSettingsFromAtomContainer(sc.get(), settings));
    }
    if (err == noErr) {
        err = static_cast<OSErr>(SCCopyCompressionSessionOptions(sc.get(), options));
    }
    SCSpatialSettings spatial{};
    if (err == noErr) {
        err = static_cast<OSErr>(SCGetInfo(sc.get(), scSpatialSettingsType, &spatial));
    }
    if (err == noErr && codecType != nullptr) {
        *codecType = spatial.codecType;
    }
    return err;
}

QTAtomContainer QTICMVideoTrack::newSCVideoSettingsFromUserDialog() {
    OSErr err = noErr;
    OwnedComponent sc = OpenStandardImageCompression(&err);
    if (err == noErr) {
        err = static_cast<OSErr>(SCRequestSequenceSettings(sc.get()));
    }
    QTAtomContainer settings = nullptr;
    if (err == noErr) {
        err = static_cast<OSErr>(SCGetSettingsAsAtomContainer(sc.get(), &settings));
    }
    if (err != noErr && settings != nullptr) {
        QTDisposeAtomContainer(settings);
        settings = nullptr;
    }
    return settings;
}
