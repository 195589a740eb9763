#include "regress/regress_state.h"

float fitStart = 0.0f;
float fitEnd = 0.0f;
float testEnd = 0.0f;
char missingOn = 'y';

void resetregressstate() {
    fitStart = 0.0f;
    fitEnd = 0.0f;
    testEnd = 0.0f;
    missingOn = 'y';
}
