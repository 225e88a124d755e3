#include "SWF/FCTDoAction.h"

#include <stdexcept>

#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

FCTDoAction::FCTDoAction() = default;
FCTDoAction::~FCTDoAction() = default;

void FCTDoAction::AddAction(FActionRecord* action) {
    m_actions.push_back(Adopt(action, "null SWF action"));
}

void FCTDoAction::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, 12, [this](FSWFStream& body) {
        for (const std::unique_ptr<FActionRecord>& action : m_actions) {
            action->WriteToSWFStream(&body);
        }
        body.WriteByte(0);
    });
}
