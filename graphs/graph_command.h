// The graph command (graph g plot, mgraph mplot, lgraph lplot, sgraph) and the commands
// around the current graph: gname, gsave, gprint and printer. Also the current graph and
// the small interfaces through which a graph is shown and printed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/date.h"
#include "graphs/canvas.h"

namespace graphs {

// The current graph (null until the first graph) and the two spare graph windows' graphs.
extern std::unique_ptr<Metafile> graphMetafile, graphMetafile1, graphMetafile2;
extern char freeOldGraph;
extern std::string graphName;  // at most 31 characters
extern int graphCounter;
extern JexDate graphDateRange[3];
extern std::string graphCaption;  // the graph window's caption

// Showing a graph: installed by the graph window. The default writes the picture as
// jexgraph.wmf and jexgraph.svg in the working directory and names the SVG in a platform
// notice (standard error on the console) as "[<caption>] jexgraph.svg".
extern std::function<void(const Metafile&, const std::string& caption)> showGraph;

// One print job of a graph: its title, the rectangle the picture is stretched into and the
// metafile's bytes.
struct GraphPrintJob {
    std::string title;
    int left = 0, top = 0, right = 0, bottom = 0;
    std::vector<std::uint8_t> wmf;
};
// The printer behind gprint: the print spool (a jexprint<n>.wmf and its notice) unless a
// caller installs another; with none installed the jobs are kept in heldPrintJobs().
extern std::function<int(const GraphPrintJob&)> graphPrinter;
extern bool printerLandscape;
std::vector<GraphPrintJob>& heldPrintJobs();

int graph(std::FILE* in, char separate, char logScale, char scatter);
int gnamecmd(std::FILE* in);
int gsavecmd(std::FILE* in);
int gprintcmd(std::FILE* in);
int printercmd(std::FILE* in);

// Writes a metafile to a file (written whole beside the old one and renamed over it); false
// when it could not be written.
bool savemetafile(const Metafile& m, const std::string& path);
// Save of the Graph menu and the pause box: graphName (with the counter when it is not 0)
// and ".wmf", or a name asked for when graphName is empty. Saves nothing without a graph.
int graphsaveas();
// Shift1 and Shift2 of the Graph menu and the pause box: the current graph moves to the
// spare graph window 1 or 2 (which shows it), releasing the graph that window held; without
// a current graph "A graph must exist before it can be shifted.\n".
int graphshift(int window);
// Showing a spare window's graph: installed by the graph windows. The default writes
// jexgraph1.* or jexgraph2.* and names the SVG in a platform notice with the window's caption
// ("Graph Form 1", "Graph Form 2").
extern std::function<void(int window, const Metafile&)> showSpareGraph;
// Installs the pause box's Save, Shift1, Shift2 and Print actions.
void installgraphactions();
// Start values of the graph command's state; the current graphs are dropped.
void resetgraphstate();

}  // namespace graphs
