// The resources the standard compression components carry: their settings
// dialogs.  Used by the platform's own sources only.
#pragma once

#include "Components/ComponentRegistry.h"
#include "Dialogs/Dialogs.h"

namespace sc {

// Dialogs ('DLOG' and its 'DITL'), with the items every one of them has.
enum : SInt16 {
    kImageSettingsDialogID = 128,     // codec list and quality
    kSequenceSettingsDialogID = 129,  // codec list, quality and key frame rate
    kAudioSettingsDialogID = 130,     // format list, channels, sample size, flags
    kQualityControlID = 128,
    kKeyFrameRateControlID = 129,
    kChannelsControlID = 130,
    kSampleSizeControlID = 131,
};

enum : DialogItemIndex {
    kOKItem = 1,
    kCancelItem = 2,
    // Image and sequence dialogs.
    kQualityItem = 4,       // slider 0..1024 (codecLosslessQuality)
    kKeyFrameRateItem = 6,  // sequence dialog: slider 0..32767 (0: no limit)
    // Audio dialog.
    kChannelsItem = 4,    // slider 1..16
    kSampleSizeItem = 6,  // slider 8..64 (linear PCM bits per sample)
    kBigEndianItem = 7,   // check box
    kFloatItem = 8,       // check box
};

componentimpl::ResourceTable StandardCompressionResources();

}  // namespace sc
