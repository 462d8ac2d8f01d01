#include "model/rv_ent_property.h"

namespace ovix {

// Every member has a cleared default, so a fresh instance is the cleared state.
void RvEntProperty::Clear() { *this = RvEntProperty(); }

}  // namespace ovix
