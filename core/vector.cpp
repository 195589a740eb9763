#include "core/vector.h"

char vectorIndexError = 0;

namespace vectordetail {

void deletedVector() {
    printout("\nError:  Reference to a deleted vector.\n");
    vectorIndexError = 1;
    throw Jex7Errors("\nError:  illegal vector index: ");
}

void badVectorIndex(int index) {
    printout("%s%d\n", "\nError:  illegal vector index: ", index);
    vectorIndexError = 1;
    throw Jex7Errors("\nError:  illegal vector index: ");
}

}  // namespace vectordetail
