// A member of a hand-written type, held by a generated class of
// features2.schema and read and written by its hooks.
#pragma once

namespace feat {

struct c_ticks {
    unsigned count = 0;
};

}  // namespace feat
