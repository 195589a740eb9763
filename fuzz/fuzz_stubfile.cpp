// Fuzz target: any bytes as the stub file of a bank in slot a (a workspace-format bank with
// gdp, cons and the quarterly q), shown in the look window, then every line picked in turn
// and the line's text searched for. Whatever the text, nothing crashes, the title keeps at
// most 89 characters, and each pick leaves the print and graph dates as they were.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/jexbank.h"
#include "banks/slots.h"
#include "fuzz/fuzz_support.h"
#include "graphs/graph_command.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "series/series_state.h"
#include "shell/menu_handlers.h"
#include "views/look_window.h"

namespace {

std::string folder;

void setup() {
    fuzzsupport::installQuietPlatform();
    folder = fuzzsupport::makeTempDir("/tmp/jexfuzzstubXXXXXX");
    resetinterpstate();
    fuzzsupport::workspaceFrom1990();
    wsMaxObs = 40;
    setWorkspaceBank(new JexBank((folder + "/ws").c_str(), "New", 1990, 40, 1));
    {
        JexBank us((folder + "/us").c_str(), "New", 1990, 40, 1, 1);
        std::vector<float> v(1999, 100.0f);
        us.setFreq(1);
        us.addser("gdp", v.data(), 'y');
        us.addser("cons", v.data(), 'y');
        us.setFreq(4);
        us.addser("q", v.data(), 'y');
    }
    bankSlots[0] = new JexBank((folder + "/us").c_str(), "Read", 1990, 40, 1, 1);
    bankTypes[0] = 'w';
    assignedBankCount = 1;
    // Graphs are drawn but not written out.
    graphs::showGraph = [](const graphs::Metafile&, const std::string&) {};
    printDates[0] = graphDates[0] = 1990;
    printDates[1] = graphDates[1] = graphDates[2] = 1995;
    printDateRange[0] = JexDate(1990.0f);
    printDateRange[1] = JexDate(1995.0f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (folder.empty()) setup();
    fuzzsupport::writefile(folder + "/us.stb", data, size);
    defaultBankPath = folder + "/us.bnk";
    lookBankLetter = 'a';
    if (LookForm2.setBankIndex(0) != 0) std::abort();
    LookForm2.LoadStubFile = true;
    LookForm2.FormActivate();
    if (LookForm2.CloseRequested) std::abort();
    const std::size_t lines = LookForm2.lines.size();
    for (std::size_t i = 0; i < lines && i < 32; ++i) {
        LookForm2.LookWinClick(static_cast<int>(i));
        const float print[2] = {printDates[0], printDates[1]};
        const float graph[3] = {graphDates[0], graphDates[1], graphDates[2]};
        LookForm2.typeSelectedSeries();
        if (std::strlen(currentTitle) > 89) std::abort();
        if (printDates[0] != print[0] || printDates[1] != print[1] || graphDates[0] != graph[0] ||
            graphDates[1] != graph[1] || graphDates[2] != graph[2])
            std::abort();
        if (LookForm2.lines.size() != lines) std::abort();
        // The line's own text, searched for from the next line.
        platform::answerQueue().push_back("FindText=" + LookForm2.lines[i].substr(0, 40));
        platform::answerQueue().push_back("Find Next");
        platform::answerQueue().push_back("Cancel");
        LookForm2.LookFindClick();
        platform::answerQueue().clear();
        if (LookForm2.selected < 0 || static_cast<std::size_t>(LookForm2.selected) >= lines) std::abort();
    }
    return 0;
}
