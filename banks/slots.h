// The bank slots a..z, the workspace bank, the search switches and the workspace calendar:
// the globals of the data-bank subsystem, declared together here.
#pragma once

#include <cstdint>
#include <string>

class DataBank;
class JexBank;

constexpr int bankSlotCount = 26;     // slots a..z
constexpr int workspaceSlot = 26;     // entry of the workspace bank in bankSlots
constexpr int lastSupplierSlot = 27;  // entry of the last supplier in bankSlots

// Entries 0..25 the banks of slots a..z (null when free); entry 26 mirrors workspaceBank,
// entry 27 mirrors lastSupplierBank (set them through setWorkspaceBank/setLastSupplier).
extern DataBank* bankSlots[28];
extern JexBank* workspaceBank;
extern DataBank* lastSupplierBank;
// Kind letter of each slot: ' ' free, 'w' workspace format, 'c' compressed, 'h' hashed,
// 'v' Vam, 'd' directory of forecasts.
extern char bankTypes[bankSlotCount];
extern std::int16_t assignedBankCount;
extern signed char defaultVamBank;  // slot of the default Vam bank, -1 none
extern char findMode;               // 'm' workspace, bank a, default Vam bank; 'a' all banks
extern char vamMode;                // 'a' Vam bank with its companion bank; 's' alone
extern std::string defaultBankPath; // path given for bank a

// The workspace calendar (wsStartDate, its daily start date, is in core/date.h).
extern std::int16_t wsBaseYear;
extern std::int16_t wsMaxObs;
extern std::int16_t wsFirstMonth;
extern std::int16_t cfgFirstMonth;
extern std::int16_t wsSeriesCount;
// Frequency of the series or date handled last (fetchseries, dateindex, expressions).
extern std::int16_t currentFrequency;

// Makes `bank` the workspace bank (entry 26 too). Does not delete the old one.
void setWorkspaceBank(JexBank* bank);
// Records the bank that supplied the last series (entry 27 too).
void setLastSupplier(DataBank* bank);

// Deletes the banks of every slot and the workspace bank (workspace first) and frees the
// slots; the shut-down and the reset below use it.
void deleteallbanks();
// Deletes every bank and puts the globals of this file back to their start-up values.
void resetbankslots();
