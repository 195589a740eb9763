#include "graphs/graph_command.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "banks/jexbank.h"
#include "banks/listing_commands.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "graphs/drawgraph.h"
#include "graphs/graph_model.h"
#include "graphs/graph_settings.h"
#include "graphs/graph_windows.h"
#include "graphs/wmf.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/stepdialog.h"
#include "interp/switches.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/printspool.h"
#include "regress/regress_state.h"
#include "series/exprtext.h"
#include "series/rhs.h"
#include "series/series_state.h"
#include "shell/dialogs.h"
#include "shell/shell_commands.h"
#include "shell/version.h"

namespace graphs {

std::unique_ptr<Metafile> graphMetafile, graphMetafile1, graphMetafile2;
char freeOldGraph = 'n';
std::string graphName;
int graphCounter = 0;
JexDate graphDateRange[3];
std::string graphCaption = "Untitled Graph";
namespace {
// The default printer: the job goes to the print spool as a metafile.
int spoolgraph(const GraphPrintJob& job) {
    platform::PrintJob spooled;
    spooled.title = job.title;
    spooled.pageWidth = job.right - job.left;
    spooled.pageHeight = job.bottom - job.top;
    spooled.landscape = printerOrientation == Orientation::landscape;
    spooled.content.assign(job.wmf.begin(), job.wmf.end());
    if (platform::spoolPrintJob(spooled).empty()) {
        printout("\nError:  cannot write the print file.\n");
        return -1;
    }
    return 0;
}
}  // namespace

std::function<int(const GraphPrintJob&)> graphPrinter = spoolgraph;

namespace {

constexpr int seriesLength = 1999;

// The graph window shows the current graph: it is closed and shown again, which paints it.
void showingraphwindow(const Metafile&, const std::string& caption) {
    GraphForm.caption = caption;
    GraphForm.close();
    GraphForm.show();
}

void showinsparewindow(int window, const Metafile&) { sparewindow(window).show(); }

// The f-command range, kept while an expression of the graph line is evaluated and put back
// on every way out.
class FRangeKeeper {
public:
    FRangeKeeper() : d1_(fdate1), d2_(fdate2), date1_(fdate1Date), date2_(fdate2Date) {}
    ~FRangeKeeper() {
        fdate1 = d1_;
        fdate2 = d2_;
        fdate1Date = date1_;
        fdate2Date = date2_;
    }
    FRangeKeeper(const FRangeKeeper&) = delete;
    FRangeKeeper& operator=(const FRangeKeeper&) = delete;

private:
    float d1_, d2_;
    JexDate date1_, date2_;
};

// The work of one graph command; its destructor deletes the temporary series.
struct GraphRun {
    JexGraph g;
    std::vector<float> work = std::vector<float>(seriesLength + 2, 0.0f);
    std::vector<std::string> temporaries;
    JexDate seriesStart;
    int count = -1;
    ~GraphRun() {
        if (workspaceBank)
            for (const std::string& name : temporaries) workspaceBank->delser(name.c_str());
    }

    // Fetches a series into the work array and adds it; -1 when it is not found.
    int addnamed(const char* name, const char* legend, std::FILE* in, int verbose) {
        char scratch[exprTextSize] = "";
        char* cursor = scratch;
        if (fetchseries(name, work.data(), cursor, in, verbose) < 0) return -1;
        const int f = currentFrequency != 0 ? currentFrequency : 1;
        seriesStart = JexDate(wsBaseYear, wsFirstMonth, f);
        g.addSeries(legend, seriesStart, work.data(), seriesLength);
        return 0;
    }

    // A parenthesised expression stored as a temporary series; its name goes to `name`.
    int expression(std::FILE* in, std::string& name, std::string& legend) {
        std::vector<float> values(seriesLength + 2, 0.0f);
        const float fill = missingOn == 'n' ? 0.0f : MISSING;
        FRangeKeeper keep;
        fdate1 = graphDates[0];
        fdate1Date = JexDate(fdate1);
        fdate2 = graphDates[2];
        fdate2Date = JexDate(fdate2);
        int first = fdate1Date.wsIndex();
        int frequency = 0;
        if (first < 0) first = 0;
        else frequency = fdate1Date.frequency;
        int last = fdate2Date.wsIndex();
        if (last < 0 || last >= wsMaxObs) last = wsMaxObs - 1;

        char text[exprTextSize] = "";
        char* cursor = text;
        const int r = rhs(values.data(), in, cursor, sizeof text);
        if (r == -1 || r == 27) {
            printout("Error:  in temporary series in graph routine.\n");
            return r;
        }
        if (r != 41) {
            printout("\nError:  invalid expression in graph command.\n");
            return -1;
        }
        legend = text;
        if (!legend.empty() && legend.back() == ')') legend.pop_back();
        if (legend.size() > 100) legend.resize(100);
        if (frequency != 0 && currentFrequency != 0 && frequency != currentFrequency) {
            printout("fdates inconsistent with the frequency of the series.\n");
            pausebox("Bad fdates", "");
            return -1;
        }
        if (frequency == 0) frequency = currentFrequency;
        name = "boo_temp";
        for (;;) {
            char scratch[exprTextSize] = "";
            char* sc = scratch;
            if (fetchseries(name.c_str(), nullptr, sc, in, 0) < 0) break;
            name.clear();
            for (int k = 0; k < 8; ++k) name.push_back(static_cast<char>('a' + std::rand() % 26));
        }
        if (currentFrequency == 0) currentFrequency = static_cast<std::int16_t>(frequency);
        for (int i = 0; i < wsMaxObs && i < seriesLength; ++i)
            if (i < first || i > last) values[i] = fill;
        if (currentFrequency == 0) currentFrequency = static_cast<std::int16_t>(defaultFrequency);
        if (workspaceBank == nullptr) return -1;
        workspaceBank->setFreq(currentFrequency);
        if (workspaceBank->addser(name.c_str(), values.data(), 'y', -1) < 0) return -1;
        temporaries.push_back(name);
        return 0;
    }
};

// Converts the three graph dates to frequency S (the series'), keeping their years.
void convertdates(JexDate* d, int S) {
    const int D = d[0].frequency;
    if (S == 0 || D == 0 || D == S) {
        for (int i = 0; i < 3; ++i) d[i].frequency = static_cast<std::uint8_t>(S);
        return;
    }
    if (D < S) {
        const int r = S / D;
        d[0].period = static_cast<std::uint8_t>((d[0].period - 1) * r + 1);
        d[1].period = static_cast<std::uint8_t>(d[1].period * r);
        d[2].period = static_cast<std::uint8_t>(d[2].period * r);
    } else {
        const int r = D / S;
        for (int i = 0; i < 3; ++i) d[i].period = static_cast<std::uint8_t>((d[i].period - 1) / r + 1);
    }
    for (int i = 0; i < 3; ++i) d[i].frequency = static_cast<std::uint8_t>(S);
}

// Graph date i from a number token; false when it lies at or past the workspace's end.
bool setgraphdate(int i, const char* token) {
    graphDates[i] = static_cast<float>(std::atof(token));
    graphDateRange[i] = JexDate(graphDates[i]);
    return graphDateRange[i].wsIndex() < wsMaxObs;
}

int pauseforgraph() {
    for (;;) {
        const int r = ContAddFileDB.showModal();
        if (r == 2) return 27;
        if (r != 5) return 0;
    }
}

}  // namespace

std::function<void(const Metafile&, const std::string&)> showGraph = showingraphwindow;
std::function<void(int, const Metafile&)> showSpareGraph = showinsparewindow;

std::vector<GraphPrintJob>& heldPrintJobs() {
    static std::vector<GraphPrintJob> jobs;
    return jobs;
}

bool writewholefile(const std::string& path, const void* data, std::size_t n) {
    platform::ReplacingFile out(path);
    std::FILE* f = out.open("wb");
    if (f == nullptr) return false;
    const bool wrote = std::fwrite(data, 1, n, f) == n;
    return out.commit() && wrote;
}

bool savemetafile(const Metafile& m, const std::string& path) {
    const std::vector<std::uint8_t> bytes = writewmf(m);
    return writewholefile(path, bytes.data(), bytes.size());
}

int graph(std::FILE* in, char separate, char logScale, char scatter) {
    installgraphactions();
    int status = 0;
    bool range = false;
    int rangeFirst = 0, rangeLast = 0;
    for (int i = 0; i < 3; ++i) graphDateRange[i] = JexDate(graphDates[i]);
    GraphRun run;
    JexGraph& g = run.g;
    g.clearSeries();
    g.setTitles(currentTitle, graphSubtitle, vaxTitle, legendMode, vaxLabelSide, legendMode2,
                verticalRangeCount, horizontalRangeCount, verticalRange, horizontalRange);

    char token[commandBufferSize];
    bool reading = true;
    while (reading) {
        int cls = gettoken(token, in, 0, 78);
        if (cls == 'f' || cls == 'e') break;
        if (cls == -1 || cls == 27 || cls == 15 || cls == 18) return cls == -1 ? 27 : cls;
        if (cls == 'c') continue;
        std::string legend;
        if (cls == '(' || cls == 'a') {
            if (++run.count >= maxGraphSeries) {
                printout("Too many series in the graph command\n");
                return -1;
            }
            if (scatter == 'y' && run.count > 1) {
                printout("\nError:  Cannot have more than two series in scatter plot.\n");
                return -1;
            }
            std::string name;
            if (cls == '(') {
                const int r = run.expression(in, name, legend);
                if (r != 0) return r;
            } else {
                name = legend = token;
            }
            if (run.addnamed(name.c_str(), legend.c_str(), in, 1) != 0) return -1;
        } else if (cls == 'n') {
            setgraphdate(0, token);
            if (graphDateRange[0].wsIndex() < 0) {
                printout("First date is before beginning of workspace bank.\n");
                return -1;
            }
            if (graphDateRange[0].wsIndex() >= wsMaxObs) {
                printout("Error:  graph range outside the workspace bank.\n");
                return -1;
            }
            // The second and third dates; without a third the last date is the middle one.
            bool third = false;
            cls = gettoken(token, in, 0, 78);
            if (cls == 'n') {
                if (!setgraphdate(1, token)) {
                    printout("Second date too far into the future.\n");
                    return -1;
                }
                cls = gettoken(token, in, 0, 78);
                if (cls == 'n') {
                    if (!setgraphdate(2, token)) {
                        printout("Third date too far into the future.\n");
                        return -1;
                    }
                    third = true;
                }
            }
            if (!third) {
                if (cls != 'f' && cls != 'e') ungettoken();
                graphDateRange[2] = graphDateRange[1];
                graphDates[2] = graphDateRange[1].toFloat();
            }
            reading = false;
        } else if (cls == '*') {
            int n = 0;
            cls = gettoken(token, in, 0, 78);
            if (cls == 'n') n = std::atoi(token);
            else if (cls != 'f' && cls != 'e') ungettoken();
            char names[3][100];
            namewithnumber(names[0], "predic", n);
            namewithnumber(names[1], "depvar", n);
            namewithnumber(names[2], "bpred", n);
            if (run.count + 2 >= maxGraphSeries) {
                printout("Too many series in the graph command\n");
                return -1;
            }
            for (int k = 0; k < 2; ++k) {
                ++run.count;
                if (run.addnamed(names[k], names[k], in, 1) != 0) return -1;
            }
            graphDateRange[0] = JexDate(fitStart);
            graphDateRange[1] = JexDate(fitEnd);
            graphDateRange[2] = JexDate(testEnd);
            g.setLegend("Predicted", 0);
            g.setLegend("Actual", 1);
            if (lagDepIndex != 0) {
                if (g.lastSeries + 1 >= maxGraphSeries) {
                    printout("Too many series in the graph command\n");
                    return -1;
                }
                if (run.addnamed(names[2], "BasePred", in, 1) != 0) return -1;
            }
        } else if (cls == ':') {
            // Observation numbers, truncated; checked before they become ints (a number beyond
            // int, or not a number, lies outside too).
            const double first = std::trunc(readnumber(in));
            const double last = std::trunc(readnumber(in));
            if (!(first >= 0) || !(last < wsMaxObs) || last < first) {
                printout("Error:  graph range outside the workspace bank.\n");
                return -1;
            }
            rangeFirst = static_cast<int>(first);
            rangeLast = static_cast<int>(last);
            range = true;
            reading = false;
        } else {
            printout("Unrecognized element\n");
            return -1;
        }
    }

    if (g.lastSeries < 0) return 0;
    if (scatter == 'y' && g.lastSeries < 1) {
        printout("\nError:  Scatter plot needs two series.\n");
        return -1;
    }
    if (run.seriesStart.frequency == 0) {
        printout("Cannot graph a series with no specified frequency.\n");
        printout("Use freq <series_name> <frequency> to set frequency of a series.\n");
        printout("or use dfreq <frequency> to set a default frequency.\n");
        return -1;
    }
    convertdates(graphDateRange, run.seriesStart.frequency);
    if (range) g.setRange(rangeFirst, 0, rangeLast);
    else g.setDates(run.seriesStart, graphDateRange[0], graphDateRange[1], graphDateRange[2], '4');
    graphCaption = g.title[0] ? g.title : "Untitled Graph";

    auto picture = std::make_unique<Metafile>();
    Canvas canvas(picture->width, picture->height);
    const int drawn = drawgraph(g, canvas, separate, logScale, scatter, forecastMode);
    picture->records = canvas.takeRecords();
    graphMetafile = std::move(picture);
    freeOldGraph = 'y';
    if (drawn == -1) return -1;
    status = drawn;
    if (regZip != 'y') {
        showGraph(*graphMetafile, graphCaption);
        status = 0;
        if (keyboardInput == 'n' || replayMode == 'y') status = pauseforgraph();
        if (status == 0 && autoPrint == 'y') gprintcmd(in);
    }
    ++graphCounter;
    return status;
}

int gnamecmd(std::FILE* in) {
    char token[commandBufferSize];
    const int cls = gettoken(token, in, 0, 200);
    if (cls == 'f' || cls == 'e' || cls == -1) {
        printout("Usage: gname <name> [<number>]\n");
        return -1;
    }
    if (std::strlen(token) > 31) {
        printout("Error:  graph name %s is longer than 31 characters.\n", token);
        return -1;
    }
    graphName = token;
    graphCounter = 0;
    const int next = gettoken(token, in, 0, 78);
    if (next == 'n') graphCounter = std::atoi(token);
    else if (next != 'f' && next != 'e') ungettoken();
    return 0;
}

int gsavecmd(std::FILE* in) {
    char token[commandBufferSize];
    if (gettoken(token, in, 0, 200) != 'a') {
        printout("Usage: gsave <filename>\n");
        printout("Do NOT include the .WMF extension in the filename.\n");
        printout("Example: gsave test\n");
        return 0;
    }
    if (!graphMetafile) {
        printout("Error:  no graph to save.\n");
        return 0;
    }
    const std::string path = std::string(token) + ".WMF";
    if (!savemetafile(*graphMetafile, path))
        printout("\nError:  cannot write %s.\n", path.c_str());
    return 0;
}

namespace {

// A print job of the current graph (an empty page without one), stretched into the page
// rectangle of the printer set-up's orientation.
GraphPrintJob printjob(const std::string& title) {
    const bool landscape = printerOrientation == Orientation::landscape;
    GraphPrintJob job;
    job.title = title;
    job.left = 150;
    job.top = 150;
    job.right = landscape ? 6150 : 4600;
    job.bottom = landscape ? 4600 : 3400;
    if (graphMetafile) job.wmf = writewmf(*graphMetafile);
    return job;
}

int sendjob(GraphPrintJob job) {
    if (graphPrinter) return graphPrinter(job) == 0 ? 0 : -1;
    heldPrintJobs().push_back(std::move(job));
    return 0;
}

}  // namespace

int gprintcmd(std::FILE*) { return sendjob(printjob(graphCaption)); }

int printercmd(std::FILE*) { return 0; }

int graphprint() {
    Form dialog("Print");
    dialog.field("Copies", "Number of copies", "1");
    if (!showokcancel(dialog) || !graphMetafile) return 0;
    const long copies = std::clamp(std::strtol(dialog.text("Copies").c_str(), nullptr, 10), 1L,
                                   maxPrintCopies);
    for (long i = 0; i < copies; ++i)
        if (sendjob(printjob(mainWindowCaption)) != 0) return -1;
    return 0;
}

int graphsaveas() {
    std::string name;
    if (!graphName.empty()) {
        name = graphCounter == 0 ? graphName + ".wmf"
                                 : graphName + std::to_string(graphCounter) + ".wmf";
    } else if (SaveGrFm.showModalResult() == 1 && !SaveGrFm.text("Edit1").empty()) {
        name = SaveGrFm.text("Edit1") + ".wmf";
    }
    // A dialog may have moved the working directory.
    if (workingDirectory[0]) platform::changeDirectory(workingDirectory);
    if (name.empty() || !graphMetafile) return 0;
    if (!savemetafile(*graphMetafile, name)) {
        printout("\nError:  cannot write %s.\n", name.c_str());
        return -1;
    }
    return 0;
}

int graphshift(int window) {
    if (!graphMetafile) {
        printout("A graph must exist before it can be shifted.\n");
        return -1;
    }
    // Closing the spare window releases the graph it held; it then shows the current one.
    sparewindow(window).close();
    std::unique_ptr<Metafile>& slot = window == 1 ? graphMetafile1 : graphMetafile2;
    slot = std::move(graphMetafile);
    freeOldGraph = 'n';
    showSpareGraph(window, *slot);
    return 0;
}

void installgraphactions() {
    ContAddFileDB.maximizeGraph = [] { GraphForm.setState(WindowState::maximized); };
    ContAddFileDB.normalGraph = [] { GraphForm.setState(WindowState::normal); };
    ContAddFileDB.saveGraph = [] { graphsaveas(); };
    ContAddFileDB.shiftToWindow1 = [] { graphshift(1); };
    ContAddFileDB.shiftToWindow2 = [] { graphshift(2); };
    ContAddFileDB.printGraph = [] { graphprint(); };
}

void resetgraphstate() {
    graphMetafile.reset();
    graphMetafile1.reset();
    graphMetafile2.reset();
    freeOldGraph = 'n';
    graphName.clear();
    graphCounter = 0;
    graphCaption = "Untitled Graph";
    heldPrintJobs().clear();
}

}  // namespace graphs
