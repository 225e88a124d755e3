// The components the platform itself provides.

#include "Components/ComponentRegistry.h"
#include "ImageCompression/BaseImageDecompressor.h"
#include "ImageCompression/ImageCompression.h"
#include "ImageCompression/PlatformCodecComponent.h"
#include "StandardCompression/StandardCompression.h"
#include "StandardCompression/StandardCompressionResources.h"

namespace componentimpl {

std::span<const BuiltInComponent> BuiltInComponents() {
    using icm::kPlatformCodecManufacturer;
    static const BuiltInComponent kBuiltIn[] = {
        {{decompressorComponentType, kBaseCodecType, kBaseCodecManufacturer, 0, 0},
         BaseImageDecompressor_ComponentDispatch},
        {{compressorComponentType, kAnimationCodecType, kPlatformCodecManufacturer,
          codecInfoDoes32 | codecInfoDoesTemporal, 0},
         icm::AnimationCodecComponentDispatch},
        {{decompressorComponentType, kAnimationCodecType, kPlatformCodecManufacturer,
          codecInfoDoes32 | codecInfoDoesTemporal, 0},
         icm::AnimationCodecComponentDispatch},
        {{compressorComponentType, kRawCodecType, kPlatformCodecManufacturer, codecInfoDoes32, 0},
         icm::RawCodecComponentDispatch},
        {{decompressorComponentType, kRawCodecType, kPlatformCodecManufacturer, codecInfoDoes32, 0},
         icm::RawCodecComponentDispatch},
        {{StandardCompressionType, StandardCompressionSubType, kPlatformCodecManufacturer, 0, 0},
         StandardImageCompression_ComponentDispatch,
         sc::StandardCompressionResources},
        {{StandardCompressionType, StandardCompressionSubTypeAudio, kPlatformCodecManufacturer, 0,
          0},
         StandardAudioCompression_ComponentDispatch,
         sc::StandardCompressionResources},
    };
    return kBuiltIn;
}

}  // namespace componentimpl
