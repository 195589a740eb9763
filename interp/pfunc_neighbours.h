// What the %-functions read from layers that this build does not have yet: the graph
// subtitle. It gives that layer's start-up value (nothing set), so the function behaves as
// it does before the first subtitle command. When the layer arrives, its own globals take
// the place of this.
#pragma once

#include <string>

// The graph subtitle: empty until a subtitle command.
const char* neighbourgraphsubtitle();
