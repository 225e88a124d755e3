#include "QuickTime/MovieWriter.h"

MovieWriter::MovieWriter(const std::string& path, uint32_t width, uint32_t height)
    : m_path(path), m_width(width), m_height(height), m_trackList(std::make_unique<LinkedList>()) {}

// Destroying the list releases every track it holds.
MovieWriter::~MovieWriter() = default;

MovieTrack* MovieWriter::trackAtIndex(size_t index) const {
    return dynamic_cast<MovieTrack*>(m_trackList->objectAtIndex(index));
}

void MovieWriter::forEachTrack(const std::function<void(MovieTrack&)>& visit) const {
    for (size_t i = 0; i < m_trackList->count(); ++i) {
        if (MovieTrack* track = trackAtIndex(i)) {
            visit(*track);
        }
    }
}
