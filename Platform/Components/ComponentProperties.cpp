#include "Components/ComponentProperties.h"

#include "Components/ComponentCalls.h"

ComponentResult QTGetComponentPropertyInfo(ComponentInstance inComponent,
                                           ComponentPropertyClass inPropClass,
                                           ComponentPropertyID inPropID,
                                           ComponentValueType* outPropType,
                                           ByteCount* outPropValueSize, UInt32* outPropertyFlags) {
    return CallComponentWith(inComponent, kQTGetComponentPropertyInfoSelect, inPropClass, inPropID,
                             outPropType, outPropValueSize, outPropertyFlags);
}

ComponentResult QTGetComponentProperty(ComponentInstance inComponent,
                                       ComponentPropertyClass inPropClass,
                                       ComponentPropertyID inPropID, ByteCount inPropValueSize,
                                       ComponentValuePtr outPropValueAddress,
                                       ByteCount* outPropValueSizeUsed) {
    return CallComponentWith(inComponent, kQTGetComponentPropertySelect, inPropClass, inPropID,
                             inPropValueSize, outPropValueAddress, outPropValueSizeUsed);
}

ComponentResult QTSetComponentProperty(ComponentInstance inComponent,
                                       ComponentPropertyClass inPropClass,
                                       ComponentPropertyID inPropID, ByteCount inPropValueSize,
                                       ConstComponentValuePtr inPropValueAddress) {
    return CallComponentWith(inComponent, kQTSetComponentPropertySelect, inPropClass, inPropID,
                             inPropValueSize, inPropValueAddress);
}
