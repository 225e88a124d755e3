#include "MovieOpen.h"

#include "ToolError.h"

namespace mvd {

void CheckRead(const qtfile::ReadStatus& status) {
    if (status.ok()) {
        return;
    }
    if (status.code == qtfile::ReadError::noMovie) {
        throw ToolError(
            "no movie atom: the recording was not finished (a movie written with a recovery "
            "file can be rebuilt from it)");
    }
    throw ToolError(status.message.empty() ? "the movie cannot be read" : status.message);
}

void OpenMovie(qtfile::MovieFileReader& reader, const std::string& path) {
    CheckRead(reader.open(path));
}

}  // namespace mvd
