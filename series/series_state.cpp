#include "series/series_state.h"

#include "banks/slots.h"

float fdate1 = -1;
float fdate2 = -1;
JexDate fdate1Date;
JexDate fdate2Date;

float printDates[2] = {0, 0};
JexDate printDateRange[2];
char printDatesSet = 'n';

float graphDates[3] = {0, 0, 0};
char graphDatesSet = 'n';

std::int16_t decs = 1;
std::int16_t width = 10;
std::int16_t obsPerLine = 6;
std::int16_t decsGiven = 0;
std::int16_t widthGiven = 0;
std::int16_t obsPerLineGiven = 0;
std::int16_t formatGiven = 0;
std::int16_t showRelations = 0;

int fdate1index() {
    int i = fdate1Date.wsIndex();
    return i == -32000 ? 0 : i;
}

int fdate2index() {
    int i = fdate2Date.wsIndex();
    return i == -32000 ? wsMaxObs : i;
}

void resetseriesstate() {
    fdate1 = -1;
    fdate2 = -1;
    fdate1Date = JexDate();
    fdate2Date = JexDate();
    printDates[0] = printDates[1] = 0;
    printDateRange[0] = printDateRange[1] = JexDate();
    printDatesSet = 'n';
    graphDates[0] = graphDates[1] = graphDates[2] = 0;
    graphDatesSet = 'n';
    decs = 1;
    width = 10;
    obsPerLine = 6;
    decsGiven = 0;
    widthGiven = 0;
    obsPerLineGiven = 0;
    formatGiven = 0;
    showRelations = 0;
}
