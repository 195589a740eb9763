#include "platform/clipboard.h"

namespace platform {

Clipboard& clipboard() {
    static Clipboard board;
    return board;
}

}  // namespace platform
