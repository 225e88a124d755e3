// The decompressor of 'MVRC' movie samples, the whole capture frame records
// that MVRCQTWriter stores.  It is an image decompressor component ('imdc',
// 'MVRC', made by 'Mvdn') built on the platform's codec component frame and
// on MVRCReader's frame decoding: each instance keeps the frame rebuilt so
// far, decodes every sample onto it, draws the sample's sprite over a copy
// and hands that copy out with its rows in reverse order, as the capture
// conversion to a movie shows capture frames (capture frames keep the
// screen's bottom line first).
//
// The sample description must be the 92-byte one of MVRCMakeImageDescription
// (the pixel format follows the fixed record).  Samples must come in decode
// order from a key frame on.  A damaged sample gives codecBadDataErr.
//
// Nothing is registered at load time: a program that decodes such movies
// (through MovieFrameDecoder, DecodeTrackFrames or the image compression
// calls) calls MVRCRegisterDecompressorComponent first, once or as often as
// it likes.
#pragma once

#include "Components/Components.h"

// Registers the decompressor unless it is registered already; the component,
// or null when it cannot be registered.
Component MVRCRegisterDecompressorComponent();

// The entry point of the component.
ComponentResult MVRCDecompressor_ComponentDispatch(ComponentParameters* params, Handle storage);
