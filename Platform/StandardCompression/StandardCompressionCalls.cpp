// The calls a client makes on a standard compression component.

#include "Components/ComponentCalls.h"
#include "StandardCompression/StandardCompression.h"

ComponentResult SCGetInfo(ComponentInstance ci, OSType infoType, void* info) {
    return CallComponentWith(ci, kSCGetInfoSelect, infoType, info);
}

ComponentResult SCSetInfo(ComponentInstance ci, OSType infoType, void* info) {
    return CallComponentWith(ci, kSCSetInfoSelect, infoType, info);
}

ComponentResult SCRequestImageSettings(ComponentInstance ci) {
    return CallComponentWith(ci, kSCRequestImageSettingsSelect);
}

ComponentResult SCRequestSequenceSettings(ComponentInstance ci) {
    return CallComponentWith(ci, kSCRequestSequenceSettingsSelect);
}

ComponentResult SCGetSettingsAsAtomContainer(ComponentInstance ci, QTAtomContainer* settings) {
    return CallComponentWith(ci, kSCGetSettingsAsAtomContainerSelect, settings);
}

ComponentResult SCSetSettingsFromAtomContainer(ComponentInstance ci, QTAtomContainer settings) {
    return CallComponentWith(ci, kSCSetSettingsFromAtomContainerSelect, settings);
}

ComponentResult SCCopyCompressionSessionOptions(ComponentInstance ci,
                                                ICMCompressionSessionOptionsRef* outOptions) {
    return CallComponentWith(ci, kSCCopyCompressionSessionOptionsSelect, outOptions);
}

ComponentResult SCAudioFillBuffer(ComponentInstance ci, SCAudioInputDataProc inInputDataProc,
                                  void* inInputDataProcRefCon, UInt32* ioOutputDataPacketSize,
                                  AudioBufferList* outOutputData,
                                  AudioStreamPacketDescription* outPacketDescription) {
    return CallComponentWith(ci, kSCAudioFillBufferSelect, inInputDataProc, inInputDataProcRefCon,
                             ioOutputDataPacketSize, outOutputData, outPacketDescription);
}

ComponentResult SCAudioReset(ComponentInstance ci) {
    return CallComponentWith(ci, kSCAudioResetSelect);
}
