// Opening movies with the movie reader, its failures turned into ToolError.
#pragma once

#include <string>

#include "MovieToolbox/MovieFileReader.h"

namespace mvd {

// Throws ToolError with the reader's message; a file with no movie atom is
// named as an unfinished recording.
void OpenMovie(qtfile::MovieFileReader& reader, const std::string& path);
void CheckRead(const qtfile::ReadStatus& status);

}  // namespace mvd
