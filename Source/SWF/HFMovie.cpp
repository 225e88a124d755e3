#include "SWF/HFMovie.h"

#include <atomic>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "SWF/FCTDoAction.h"
#include "SWF/FControlTags.h"
#include "SWF/FObjCollection.h"
#include "SWF/HFObject.h"

namespace {

constexpr uint8_t kMovieVersion = 6;
constexpr uint32_t kMaxDepth = 0xFFFF;

uint64_t NextGeneration() {
    static std::atomic<uint64_t> generation{0};
    return ++generation;
}

}  // namespace

HFFrame::HFFrame(HFMovie* movie) : m_movie(movie) {}

HFFrame::~HFFrame() {
    for (FObj* object : m_objects) {
        delete object;
    }
}

void HFFrame::AddObject(HFObject* object) {
    if (object == nullptr) {
        throw std::invalid_argument("null object added to a frame");
    }
    object->AddToObjectList(&m_objects, m_movie);
}

void HFFrame::RemoveObject(HFObject* object) {
    if (object == nullptr) {
        throw std::invalid_argument("null object removed from a frame");
    }
    object->RemoveFromFrame(&m_objects, m_movie);
}

void HFFrame::AddAction(HFAction* action) {
    if (action == nullptr) {
        throw std::invalid_argument("null action added to a frame");
    }
    auto doAction = std::make_unique<FCTDoAction>();
    action->AddToAction(doAction.get());
    m_objects.push_back(doAction.release());
}

void HFFrame::SetBackgoundColor(FRGBA color) {
    m_objects.push_back(new FCTSetBackgroundColor(new FColor(FRGB{color.value & 0xFFFFFF})));
}

std::list<FObj*> HFFrame::TakeObjects() {
    return std::exchange(m_objects, {});
}

HFMovie::HFMovie() : m_generation(NextGeneration()) {}
HFMovie::~HFMovie() = default;

HFFrame* HFMovie::Frame(uint32_t n) {
    if (n >= kMaxFrames) {
        throw std::length_error("an SWF movie holds at most 65535 frames");
    }
    while (m_frames.size() <= n) {
        m_frames.push_back(std::make_unique<HFFrame>(this));
        m_frameOfList[m_frames.back()->Objects()] = static_cast<uint32_t>(m_frames.size() - 1);
    }
    return m_frames[n].get();
}

void HFMovie::SetFrameRate(uint32_t rate) {
    if (rate < 1 || rate > 255) {
        throw std::out_of_range("frame rate must be 1 to 255 frames per second");
    }
    m_frameRate = rate;
}

void HFMovie::SetSize(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        throw std::out_of_range("stage size must be positive");
    }
    m_width = width;
    m_height = height;
}

uint32_t HFMovie::FrameOf(const std::list<FObj*>* objects) const {
    const auto it = m_frameOfList.find(objects);
    if (it != m_frameOfList.end()) {
        return it->second;
    }
    throw std::invalid_argument("tags recorded for a list that is no frame of this movie");
}

void HFMovie::RecordAdd(std::list<FObj*>* objects, const HFObject* object, FCTPlaceObject2* place) {
    const uint32_t frame = FrameOf(objects);
    m_events[frame].push_back({frame, m_sequence++, object, place, nullptr});
}

void HFMovie::RecordRemove(std::list<FObj*>* objects, const HFObject* object,
                           FCTRemoveObject2* remove) {
    const uint32_t frame = FrameOf(objects);
    m_events[frame].push_back({frame, m_sequence++, object, nullptr, remove});
}

void HFMovie::AssignDepths() {
    // Frames in order (the map's order), events in the order they were
    // recorded within a frame.
    std::map<const HFObject*, std::list<uint16_t>> onStage;
    uint32_t nextDepth = 1;
    for (auto& [frame, events] : m_events) {
        events.sort([](const AddRemoveEvent& a, const AddRemoveEvent& b) {
            return a.sequence < b.sequence;
        });
        for (AddRemoveEvent& e : events) {
            if (e.place != nullptr) {
                if (nextDepth > kMaxDepth) {
                    throw std::length_error("more than 65535 placements in one movie");
                }
                e.place->SetDepth(static_cast<uint16_t>(nextDepth));
                onStage[e.object].push_back(static_cast<uint16_t>(nextDepth++));
                continue;
            }
            std::list<uint16_t>& depths = onStage[e.object];
            if (depths.empty()) {
                throw std::logic_error("an object is removed in frame " + std::to_string(frame) +
                                       " without being on stage");
            }
            e.remove->SetDepth(depths.front());
            depths.pop_front();
        }
    }
}

bool HFMovie::WriteMovie(const char* path) {
    AssignDepths();
    FObjCollection collection;
    std::set<uint16_t> defined;
    std::string misplaced;
    for (const std::unique_ptr<HFFrame>& frame : m_frames) {
        for (FObj* object : frame->TakeObjects()) {
            if (auto* definition = dynamic_cast<FDT*>(object)) {
                defined.insert(definition->ID());
            }
            auto* place = dynamic_cast<FCTPlaceObject2*>(object);
            if (place != nullptr && place->HasCharacter() && !defined.count(place->CharacterID())) {
                misplaced = "character " + std::to_string(place->CharacterID()) +
                            " is placed before the frame that defines it";
            }
            collection.AddFObj(object);
        }
        collection.AddFObj(new FCTShowFrame());
    }
    if (!misplaced.empty()) {
        Clear();
        throw std::logic_error(misplaced);
    }
    const bool written =
        collection.CreateMovie(path, m_width, m_height, m_frameRate, kMovieVersion);
    Clear();
    return written;
}

void HFMovie::Clear() {
    m_frames.clear();
    m_frameOfList.clear();
    m_events.clear();
    m_generation = NextGeneration();
    FObjCollection::ResetCharacterID();
}
