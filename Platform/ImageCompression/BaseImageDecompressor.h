// The base image decompressor ('imdc', 'base'), which the platform registers
// itself.  Decompressors open it as their delegate, make themselves its
// target, and pass it the requests they do not serve.  It runs
// ImageCodecPreDecompress and ImageCodecBandDecompress by calling its
// target back (ImageCodec.h), offers ImageCodecGetBaseMPWorkFunction, and
// refuses everything else with badComponentSelector.
#pragma once

#include "Components/Components.h"

enum : OSType {
    kBaseCodecType = 'base',
    kBaseCodecManufacturer = 'pltf',
};

// Version reported by the base decompressor.
constexpr ComponentResult kBaseImageDecompressorVersion = 0x00010000;

ComponentResult BaseImageDecompressor_ComponentDispatch(ComponentParameters* params,
                                                        Handle storage);
