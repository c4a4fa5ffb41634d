// Questions about the file attributes of an element, answered from its delegates.
#pragma once

namespace Nx {

class Attribute;
namespace Workflow {
class Actor;
}

class RFSUtils {
public:
    // True when the attribute names a file the element writes (its delegate saves a file).
    static bool isOutUrlAttribute(const Attribute* attr, const Workflow::Actor* actor);
    // True when the attribute names one or more files (input or output).
    static bool isUrlAttribute(const Attribute* attr, const Workflow::Actor* actor);
};

}  // namespace Nx
