// The image description record that describes the frames of a video media,
// and the codec identifiers and qualities that go with it.
//
// In memory the fixed 86 bytes hold host-order numbers; any extensions that
// follow them (up to idSize) are atoms and stay big-endian, as in a file.
#pragma once

#include "Base/MacTypes.h"

typedef OSType CodecType;
typedef UInt32 CodecQ;

enum : CodecType {
    kRawCodecType = 'raw ',
    kAnimationCodecType = 'rle ',
    kJPEGCodecType = 'jpeg',
    kH264CodecType = 'avc1',
};

enum : CodecQ {
    codecMinQuality = 0x000,
    codecLowQuality = 0x100,
    codecNormalQuality = 0x200,
    codecHighQuality = 0x300,
    codecMaxQuality = 0x3FF,
    codecLosslessQuality = 0x400,
};

#pragma pack(push, 2)
struct ImageDescription {
    SInt32 idSize;  // whole record, extensions included
    CodecType cType;
    SInt32 resvd1;
    SInt16 resvd2;
    SInt16 dataRefIndex;
    SInt16 version;
    SInt16 revisionLevel;
    OSType vendor;
    CodecQ temporalQuality;
    CodecQ spatialQuality;
    SInt16 width;
    SInt16 height;
    Fixed hRes;
    Fixed vRes;
    SInt32 dataSize;
    SInt16 frameCount;
    Str31 name;
    SInt16 depth;
    SInt16 clutID;
};
#pragma pack(pop)
static_assert(sizeof(ImageDescription) == 86);

typedef ImageDescription* ImageDescriptionPtr;
typedef ImageDescriptionPtr* ImageDescriptionHandle;
