// The components the platform itself provides.

#include "Components/ComponentRegistry.h"
#include "ImageCompression/BaseImageDecompressor.h"
#include "ImageCompression/ImageCompression.h"

namespace componentimpl {

std::span<const BuiltInComponent> BuiltInComponents() {
    static const BuiltInComponent kBuiltIn[] = {
        {{decompressorComponentType, kBaseCodecType, kBaseCodecManufacturer, 0, 0},
         BaseImageDecompressor_ComponentDispatch},
    };
    return kBuiltIn;
}

}  // namespace componentimpl
