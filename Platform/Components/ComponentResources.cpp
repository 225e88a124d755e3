// Component resource files: each open file is a reference number bound to
// one component's (immutable) resource table.

#include <map>
#include <memory>
#include <mutex>

#include "Components/ComponentRegistry.h"
#include "Components/Resources.h"
#include "Files/Files.h"

namespace {

using componentimpl::ResourceTable;

class ResourceFiles {
  public:
    static ResourceFiles& Get() {
        static ResourceFiles files;
        return files;
    }

    ResFileRefNum open(std::shared_ptr<const ResourceTable> table) {
        std::lock_guard lock(m_mutex);
        for (int tries = 0; tries < kMaxRefNum; ++tries) {
            const ResFileRefNum candidate = m_next;
            m_next = m_next == kMaxRefNum ? 1 : static_cast<ResFileRefNum>(m_next + 1);
            if (m_open.emplace(candidate, table).second) {
                return candidate;
            }
        }
        return tmfoErr;
    }

    bool close(ResFileRefNum refNum) {
        std::lock_guard lock(m_mutex);
        return m_open.erase(refNum) != 0;
    }

    std::shared_ptr<const ResourceTable> table(ResFileRefNum refNum) const {
        std::lock_guard lock(m_mutex);
        auto it = m_open.find(refNum);
        return it == m_open.end() ? nullptr : it->second;
    }

  private:
    static constexpr ResFileRefNum kMaxRefNum = 32767;
    mutable std::mutex m_mutex;
    std::map<ResFileRefNum, std::shared_ptr<const ResourceTable>> m_open;
    ResFileRefNum m_next = 1;
};

thread_local ResFileRefNum t_currentFile = 0;
thread_local OSErr t_resError = noErr;

}  // namespace

ResFileRefNum OpenComponentResFile(Component aComponent) {
    auto table = componentimpl::ResourcesOf(aComponent);
    if (!table) {
        t_resError = invalidComponentID;
        return invalidComponentID;
    }
    const ResFileRefNum refNum = ResourceFiles::Get().open(std::move(table));
    t_resError = refNum > 0 ? OSErr{noErr} : refNum;
    return refNum;
}

OSErr CloseComponentResFile(ResFileRefNum refnum) {
    if (!ResourceFiles::Get().close(refnum)) {
        t_resError = resFNotFound;
        return resFNotFound;
    }
    if (t_currentFile == refnum) {
        t_currentFile = 0;
    }
    t_resError = noErr;
    return noErr;
}

ResFileRefNum CurResFile() {
    return t_currentFile;
}

void UseResFile(ResFileRefNum refNum) {
    if (refNum != 0 && !ResourceFiles::Get().table(refNum)) {
        t_resError = resFNotFound;
        return;
    }
    t_currentFile = refNum;
    t_resError = noErr;
}

OSErr ResError() {
    return t_resError;
}

Handle GetResource(ResType theType, SInt16 theID) {
    Handle h = nullptr;
    auto table = ResourceFiles::Get().table(t_currentFile);
    t_resError =
        table ? componentimpl::CopyResource(*table, theType, theID, &h) : OSErr{resNotFound};
    return h;
}

Handle Get1Resource(ResType theType, SInt16 theID) {
    return GetResource(theType, theID);
}

void ReleaseResource(Handle theResource) {
    if (theResource != nullptr) {
        DisposeHandle(theResource);
    }
}
