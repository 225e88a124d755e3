#include "SWF/HFObject.h"

#include <stdexcept>

#include "SWF/FActionCondition.h"
#include "SWF/FActions.h"
#include "SWF/FCTDoAction.h"
#include "SWF/FCompositeActions.h"
#include "SWF/FControlTags.h"
#include "SWF/HFMovie.h"

HFObject::HFObject() = default;
HFObject::~HFObject() = default;

bool HFObject::NeedsDefinition(HFMovie* movie) {
    if (movie == nullptr) {
        throw std::invalid_argument("object added without a movie");
    }
    if (m_definedIn == movie->Generation()) {
        return false;
    }
    m_definedIn = movie->Generation();
    return true;
}

bool HFObject::IsDefinedIn(const HFMovie* movie) const {
    return movie != nullptr && m_definedIn == movie->Generation();
}

void HFObject::AddPlaceObject2(std::list<FObj*>* objects, HFMovie* movie) {
    FMatrix* matrix = HasMatrix() ? CreateMatrix() : nullptr;
    auto* place = new FCTPlaceObject2(0, 0, 1, 0, 0, m_characterID, matrix, nullptr, 0, nullptr, 0);
    objects->push_back(place);
    movie->RecordAdd(objects, this, place);
}

void HFObject::RemoveFromFrame(std::list<FObj*>* objects, HFMovie* movie) {
    auto* remove = new FCTRemoveObject2(0);
    objects->push_back(remove);
    movie->RecordRemove(objects, this, remove);
}

void HFAction::AddToAction(FCTDoAction* doAction) {
    doAction->AddAction(CreateRecord());
}

void HFAction::AddToActionCondition(FActionCondition* condition) {
    condition->AddActionRecord(CreateRecord());
}

HFActionGetURL::HFActionGetURL(const char* url, const char* target)
    : m_url(url != nullptr ? url : ""), m_target(target != nullptr ? target : "") {}

FActionRecord* HFActionGetURL::CreateRecord() {
    return new FActionGetURL(new FString(m_url), new FString(m_target));
}

FActionRecord* HFActionGoToFrame::CreateRecord() {
    return new FActionGotoFrame(m_frame);
}

FActionRecord* HFActionPlay::CreateRecord() {
    return new FActionPlay();
}

FActionRecord* HFActionStop::CreateRecord() {
    return new FActionStop();
}

FActionRecord* HFActionTrace::CreateRecord() {
    return new FMyActionList(new FActionPush(new FString(m_message)), new FActionTrace());
}
