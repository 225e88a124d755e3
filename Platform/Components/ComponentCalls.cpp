#include "Components/ComponentCalls.h"

ComponentResult CallComponentFunctionWithStorageProcInfo(Handle storage,
                                                         ComponentParameters* params,
                                                         ComponentFunctionUPP func,
                                                         ProcInfoType procInfo) {
    if (params == nullptr || func == nullptr || procInfo == nullptr ||
        ComponentParameterCount(params) < procInfo->parameterCount) {
        return paramErr;
    }
    return procInfo->invoke(func, storage, params);
}
