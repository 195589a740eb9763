// What the %-functions read from layers that this build does not have yet: the graph
// subtitle and the values the Excel link leaves behind. Each gives that layer's start-up value (nothing set, nothing read), so
// the functions behave as they do before the first regression, gdates or xl command.
// When a layer arrives, its own globals take the place of these.
#pragma once

#include <string>

// The graph subtitle: empty until a subtitle command.
const char* neighbourgraphsubtitle();
// The Excel link: the text last read (empty), date list entry i ("-1": no dates read),
// the last date read as program date text (empty), the picked date's fields (0).
std::string neighbourexcellasttext();
std::string neighbourexceldatelisttext(int i);
std::string neighbourexceldatetext();
int neighbourexcelyear();
int neighbourexcelquarter();
int neighbourexcelmonth();
int neighbourexcelday();
