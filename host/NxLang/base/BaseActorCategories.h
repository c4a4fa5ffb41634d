// Categories under which element prototypes are registered (the palette groups of a designer).
#pragma once

#include <NxLang/datatype/Descriptor.h>

namespace Nx {

class BaseActorCategories {
public:
    static Descriptor CATEGORY_DATASRC();
    static Descriptor CATEGORY_SNP_ANNOTATION();
};

}  // namespace Nx
