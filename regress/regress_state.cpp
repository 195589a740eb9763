#include "regress/regress_state.h"

#include "regress/nonlinear.h"

float fitStart = 0.0f;
float fitEnd = 0.0f;
float testEnd = 0.0f;
char missingOn = 'y';

std::uint8_t showT = 0;
std::int16_t forecastMode = 0;
char stochastic = 'n';
char normalityTest = 'n';
char regZip = 'n';
bool mainRegZipChecked = false;
char sweepPredicts = 'y';
char hlActive = 'n';
float hlRho = 0.0f;

float regRho = 0.0f;
float regSee = 0.0f;
std::int16_t lagDepIndex = 0;

std::int16_t chowCount = 0;
std::int16_t chowNext = 0;
std::vector<ChowRecord> chowRecords;

char punchOn = 'n';
std::FILE* punchFile = nullptr;
char eqpunchOn = 'n';
std::FILE* eqpunchFile = nullptr;

void resetregressstate() {
    fitStart = 0.0f;
    fitEnd = 0.0f;
    testEnd = 0.0f;
    missingOn = 'y';
    showT = 0;
    forecastMode = 0;
    stochastic = 'n';
    normalityTest = 'n';
    regZip = 'n';
    mainRegZipChecked = false;
    sweepPredicts = 'y';
    hlActive = 'n';
    hlRho = 0.0f;
    regRho = 0.0f;
    regSee = 0.0f;
    lagDepIndex = 0;
    rhoadjSwitch = 1;
    chowCount = 0;
    chowNext = 0;
    chowRecords.clear();
    if (punchFile) std::fclose(punchFile);
    punchFile = nullptr;
    punchOn = 'n';
    if (eqpunchFile) std::fclose(eqpunchFile);
    eqpunchFile = nullptr;
    eqpunchOn = 'n';
}
