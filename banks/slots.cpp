// The bank slots and the workspace calendar.
#include "banks/slots.h"

#include "banks/jexbank.h"

DataBank* bankSlots[28] = {};
JexBank* workspaceBank = nullptr;
DataBank* lastSupplierBank = nullptr;
char bankTypes[bankSlotCount] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                 ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
std::int16_t assignedBankCount = 0;
signed char defaultVamBank = -1;
char findMode = 'm';
char vamMode = 'a';
std::string defaultBankPath;

// Until jex.cfg says otherwise: the calendar of a lettered bank's defaults.
std::int16_t wsBaseYear = 1965;
std::int16_t wsMaxObs = 200;
std::int16_t wsFirstMonth = 1;
std::int16_t cfgFirstMonth = 1;
std::int16_t wsSeriesCount = 0;
std::int16_t currentFrequency = 0;

void setWorkspaceBank(JexBank* bank) {
    workspaceBank = bank;
    bankSlots[workspaceSlot] = bank;
}

void setLastSupplier(DataBank* bank) {
    lastSupplierBank = bank;
    bankSlots[lastSupplierSlot] = bank;
}

void deleteallbanks() {
    delete workspaceBank;
    setWorkspaceBank(nullptr);
    for (int s = 0; s < bankSlotCount; ++s) {
        delete bankSlots[s];
        bankSlots[s] = nullptr;
        bankTypes[s] = ' ';
    }
    setLastSupplier(nullptr);
    assignedBankCount = 0;
    defaultVamBank = -1;
}

void resetbankslots() {
    deleteallbanks();
    findMode = 'm';
    vamMode = 'a';
    defaultBankPath.clear();
    wsBaseYear = 1965;
    wsMaxObs = 200;
    wsFirstMonth = 1;
    cfgFirstMonth = 1;
    wsSeriesCount = 0;
    currentFrequency = 0;
}
