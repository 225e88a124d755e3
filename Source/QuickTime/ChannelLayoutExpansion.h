// Turns a channel layout given by a tag or a bitmap into the same layout
// given as a list of channel descriptions, which is what the audio
// compression component takes as its input layout.
#pragma once

#include "CoreAudio/CoreAudioTypes.h"

// *layout (from malloc or calloc, *size bytes) is expanded in place when it
// has room, else replaced by a new block (the old one is freed and *size
// receives the new size).  Layouts that already list their channels are left
// as they are; mono becomes one channel labelled Mono.  Returns 0, paramErr
// (-50) for a missing or too-small layout, memFullErr (-108), or the Audio
// Format Services error for a tag or bitmap it does not know.
OSStatus expandChannelLayout(AudioChannelLayout** layout, UInt32* size);
