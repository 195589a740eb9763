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

// Showing a graph. The default gives the graph window (graphs/graph_windows.h) the caption,
// closes it and shows it again: it writes jexgraph.wmf and jexgraph.svg in the working
// directory and names the SVG in a platform notice as "[<caption>] jexgraph.svg".
extern std::function<void(const Metafile&, const std::string& caption)> showGraph;

// One print job of a graph: its title, the rectangle the picture is stretched into and the
// metafile's bytes.
struct GraphPrintJob {
    std::string title;
    int left = 0, top = 0, right = 0, bottom = 0;
    std::vector<std::uint8_t> wmf;
};
// The printer behind gprint and Print: the print spool (a jexprint<n>.wmf and its notice)
// unless a caller installs another; with none installed the jobs are kept in heldPrintJobs().
// The page rectangle follows the printer set-up's orientation.
extern std::function<int(const GraphPrintJob&)> graphPrinter;
std::vector<GraphPrintJob>& heldPrintJobs();

int graph(std::FILE* in, char separate, char logScale, char scatter);
int gnamecmd(std::FILE* in);
int gsavecmd(std::FILE* in);
int gprintcmd(std::FILE* in);
int printercmd(std::FILE* in);

// Writes a file whole (beside the old one, renamed over it); false when it could not be.
bool writewholefile(const std::string& path, const void* data, std::size_t n);
// Writes a metafile to a file, as writewholefile does; false when it could not be written.
bool savemetafile(const Metafile& m, const std::string& path);
// Save of the Graph menu and the pause box: graphName (with the counter when it is not 0)
// and ".wmf", or the name given in the dialog "Give Filename for Graph" when graphName is
// empty (Cancel, or OK on an empty name, saves nothing). Saves nothing without a graph.
int graphsaveas();
// Print of the Graph menu and the pause box: the print dialog (Copies, OK, Cancel); each
// copy is one print job of the current graph, titled with the main window's caption.
// Nothing is printed when the dialog is cancelled or there is no current graph.
int graphprint();
constexpr long maxPrintCopies = 9999;
// Shift1 and Shift2 of the Graph menu and the pause box: the spare graph window 1 or 2 is
// closed (releasing the graph it held), the current graph moves to it and it is shown;
// without a current graph "A graph must exist before it can be shifted.\n".
int graphshift(int window);
// Showing a spare window's graph. The default shows the window, which writes jexgraph1.* or
// jexgraph2.* and names the SVG in a notice with its caption ("Graph Form 1", "Graph Form 2").
extern std::function<void(int window, const Metafile&)> showSpareGraph;
// Installs the pause box's Max, Normal, Save, Shift1, Shift2 and Print actions.
void installgraphactions();
// Start values of the graph command's state; the current graphs are dropped.
void resetgraphstate();

}  // namespace graphs
