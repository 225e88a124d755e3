#include "SWF/FCTDoAction.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

FCTDoAction::FCTDoAction() = default;
FCTDoAction::~FCTDoAction() = default;

void FCTDoAction::AddAction(FActionRecord* action) {
    if (action == nullptr) {
        throw std::invalid_argument("null SWF action");
    }
    m_actions.emplace_back(action);
}

void FCTDoAction::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, 12, [this](FSWFStream& body) {
        for (const std::unique_ptr<FActionRecord>& action : m_actions) {
            action->WriteToSWFStream(&body);
        }
        body.WriteByte(0);
    });
}
