// The value types the host knows. One shared instance each, so types compare by pointer or id.
#pragma once

#include <NxLang/datatype/DataType.h>

namespace Nx {

class BaseTypes {
public:
    static DataTypePtr STRING_TYPE();
    static DataTypePtr NUM_TYPE();
    static DataTypePtr BOOL_TYPE();
    static DataTypePtr ANY_TYPE();
    // A handle (SharedDbiDataHandler) to a variation track in the workflow database.
    static DataTypePtr VARIATION_TRACK_TYPE();
};

}  // namespace Nx
