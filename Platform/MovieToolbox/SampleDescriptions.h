// Sample descriptions between their two forms: in memory (a handle whose
// fixed record holds host-order numbers, followed by big-endian extension
// atoms) and in a file (all big-endian).  Which fixed record applies follows
// from the media type, and for sound from the record's version.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "MovieToolbox/Movies.h"

namespace mtb {

// Bytes of the fixed record of a description of this media type, or 0 when
// the head alone (16 bytes) is known.  For sound, the version picks it (0, 1
// or 2); -1 for a version that is not known.
int FixedRecordSize(OSType mediaType, int soundVersion);

// Converts a description handle to its file form.  Fails with
// invalidSampleDescription when descSize is smaller than the fixed record,
// larger than the handle or not a known sound version.  dataRefIndex is set
// to 1: the movie's own file.
OSErr DescriptionToFile(OSType mediaType, SampleDescriptionHandle description,
                        std::vector<uint8_t>& file);
// Converts a description in file form to its in-memory form.
OSErr DescriptionFromFile(OSType mediaType, std::span<const uint8_t> file,
                          std::vector<uint8_t>& memory);
// Copies a description in memory form into a handle, resizing it.
OSErr CopyToHandle(std::span<const uint8_t> memory, Handle handle);

}  // namespace mtb
