// What a prototype says about one of its ports: id and names, the message type, and whether it
// is an input (receives messages) or an output (sends them).
#pragma once

#include <NxLang/datatype/DataType.h>

namespace Nx {

class PortDescriptor : public Descriptor {
public:
    PortDescriptor(const Descriptor& desc, const DataTypePtr& type, bool input, bool multi = false, uint flags = 0)
        : Descriptor(desc), type(type), input(input), multi(multi), flags(flags) {}

    const DataTypePtr& getType() const { return type; }
    bool isInput() const { return input; }
    bool isOutput() const { return !input; }
    bool isMulti() const { return multi; }
    uint getFlags() const { return flags; }

protected:
    DataTypePtr type;  // usually a MapDataType naming the slots the port carries
    bool input;
    bool multi;        // may have several links
    uint flags;
};

}  // namespace Nx
