#include "core/matrix.h"

namespace matrixdetail {

void deletedMatrixRow() {
    printout("\n%s", "Error: Reference to a deleted matrix.\n");
    pausebox("Error in Matrix[].", "");
    throw Jex7Errors("Error in Matrix[]");
}

// A bad row is an error like a bad element: the caller never gets another row's data.
void badMatrixRow(int row) {
    printout("\n%s%d.\n", "illegal matrix row index: ", row);
    pausebox("Error in Matrix[].", "");
    throw Jex7Errors("Error in Matrix[]");
}

void deletedRow() {
    printout("Error: Reference to a deleted row.\n");
    pausebox("Row index violation.", "");
    throw Jex7Errors("Row index violation.");
}

void badRowColumn(int col) {
    printout("\n%s%d\n", "Illegal row index: ", col);
    pausebox("Column index violation.", "");
    throw Jex7Errors("Column index violation.");
}

// kind 0: no storage, 1: bad row, 2: bad column.
void badElement(int kind, int row, int col, int arrayNumber) {
    if (kind == 0) {
        printout("\nError: Reference to a deleted matrix.\n");
    } else if (kind == 1) {
        printout("\nError:  illegal matrix row index: %d.\n", row);
        printout("\nmatix id number %d.\n", arrayNumber);
    } else {
        printout("\nError:  illegal matrix column index: %d.\n", col);
        printout("matix id number %d.\n", arrayNumber);
    }
    pausebox("Error:  in Matrix() operator", "");
    throw Jex7Errors("Error:  in Matrix() operator");
}

}  // namespace matrixdetail
