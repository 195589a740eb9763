// The command chains and the gateway table. Each row is one name; consecutive rows with the
// same handler and arguments form one command. The order of the rows is the order of the
// tests, so an abbreviation belongs to the first row whose rule it meets.
//
// A command whose handler is not part of this version yet has the handler `na`: the word is
// recognised and prints "Error:  the <word> command is not available in this version.".
// To build one, include its header here and put its handler in place of `na` (a gateway
// command: in the gateway table at the end); the handler's shape picks how it is called.
#include "interp/dispatch_table.h"

#include "banks/commands.h"
#include "banks/listing_commands.h"
#include "banks/other_commands.h"
#include "excel/xlcmd.h"
#include "graphs/annotations.h"
#include "graphs/graph_command.h"
#include "graphs/graph_settings.h"
#include "graphs/line_styles.h"
#include "interp/addfile.h"
#include "interp/conditional.h"
#include "interp/doloop.h"
#include "interp/echo_commands.h"
#include "interp/inline_commands.h"
#include "interp/strings.h"
#include "interp/userfunc.h"
#include "interp/utility_commands.h"
#include "matrix/arith.h"
#include "matrix/getsum.h"
#include "matrix/gvras.h"
#include "matrix/index.h"
#include "matrix/inverse.h"
#include "matrix/iocoef.h"
#include "matrix/mc.h"
#include "matrix/ras.h"
#include "matrix/rearrange.h"
#include "matrix/rs_command.h"
#include "matrix/scale.h"
#include "matrix/vc.h"
#include "regress/chow.h"
#include "regress/constraints.h"
#include "regress/estimators.h"
#include "regress/nonlinear.h"
#include "regress/punch.h"
#include "regress/regression.h"
#include "regress/settings_commands.h"
#include "series/export_commands.h"
#include "series/scaling_commands.h"
#include "series/series_commands.h"
#include "shell/dircmd.h"
#include "shell/menu_handlers.h"
#include "shell/shell_commands.h"
#include "vam/data_entry.h"
#include "vam/gidmake.h"
#include "vam/groups.h"
#include "vam/listing.h"
#include "vam/packed_text.h"
#include "vam/punch.h"
#include "vam/vam_commands.h"
#include "vam/vector_formulas.h"
#include "views/editor.h"
#include "views/series_grid.h"

namespace dispatch {
namespace {

constexpr NotAvailable na{};
constexpr Gateway vam{};
using enum Effect;

const Entry chain1[] = {
    {"f", eq(), fcmd},
    {"string", pre(3), stringcmd},
    {"vf", eq(), vam, gate("vf")},
    {"data", pre(2), datacmd},
    {"fdates", pre(3), fdatescmd},
    {"vdata", pre(2), vam, gate("vdata")},
    {"vupdate", pre(3), vam, gate("vupdate")},
    {"vmatdata", pre(5), vam, gate("vmatdata")},
    {"vc", eq(), vam, gate("vc")},
    {"mc", eq(), vam, gate("mc")},
    {"add", pre(2), addcmd},
    {"a", eq(), addcmd},
    {"matdata", pre(4), matdatacmd, chars('d')},
    {"matin", eq(), vam, gate("matin")},
    {"matin5", eq(), vam, gate("matin5")},
    {"matup", pre(4), matdatacmd, chars('u')},
    {"regress", pre(1), rcmd},
    {"if", eq(), ifcmd},
    {"return", eq(), returncmd, noargs(), endRunOnDone},
    {"continue", eq(), continuecmd},
    {"try", eq(), trycmd},
    {"wsreset", eq(), wsresetinline},
    {"xl", eq(), xlcmd},
    {"XL", eq(), xlcmd},
    {"excel", eq(), xlcmd},
    {"rs", eq(), rscmd},
    {"resector", eq(), rscmd},
    {"function", eq(), functioncmd},
    {"break", eq(), breakcmd},
    {"step", eq(), stepcmd, noargs(), stepFailOnError},
    {"wscache", eq(), wscachecmd},
    {"wsdump", eq(), wsdumpcmd},
    {"ac", eq(), accmd},
    {"cwd", eq(), cwdcmd},
    {"do", eq(), docmd},
    {"dos", eq(), doscmd},
    {"addpause", eq(), addpausecmd},
    {"fadd", eq(), faddcmd},
    {"addprint", pre(4), addprintcmd},
    {"addtype", pre(4), addprintcmd},
    {"autocomplete", pre(7), autocompleteinline},
    {"mainfontname", eq(), windowfontinline},
    {"edfontname", eq(), windowfontinline},
    {"mainfontsize", eq(), windowfontinline},
    {"edfontsize", eq(), windowfontinline},
    {"mainfontcolor", pre(12), windowfontinline},
    {"maincolor", eq(), windowfontinline},
    {"edfontcolor", eq(), windowfontinline},
    {"edcolor", eq(), windowfontinline},
    {"mainautofontsize", pre(12), windowfontinline},
    {"mainfontbold", eq(), windowfontinline},
    {"mainfontitalic", pre(12), windowfontinline},
    {"mainfontunderline", pre(12), windowfontinline},
    {"mainfontstrikeout", pre(12), windowfontinline},
    {"edfontbold", eq(), windowfontinline},
    {"edfontitalic", eq(), windowfontinline},
    {"edfontunderline", pre(12), windowfontinline},
    {"edfontstrikeout", pre(12), windowfontinline},
    {"back", eq(), backinline},
    {"con", eq(), concmd},
    {"qpcon", eq(), qpconcmd},
    {"seed", eq(), seedcmd},
    {"sma", eq(), smacmd},
    {"quit", pre(1), quitinline},
    {"exit", eq(), quitinline},
    {"commandcache", eq(), commandcachecmd},
    {"beep", eq(), beepinline, noargs(), dropLine},
};

const Entry chain2[] = {
    {"smf", eq(), graphs::smfcmd},
    {"anntext", pre(4), graphs::anntextcmd},
    {"annline", pre(4), graphs::annlinecmd},
    {"annsave", pre(4), annsavecmd},
    {"autoprint", pre(5), autoprintcmd},
    {"bank", pre(2), bankcmd, chars('w')},
    {"b", eq(), bankcmd, chars('w')},
    {"bj", eq(), bjcmd},
    {"btitle", pre(2), btitlecmd},
    {"bupdate", pre(2), bupdatecmd},
    {"ls", eq(), lscmd},
    {"ctrl", pre(2), ctrlcmd},
    {"catch", pre(2), catchcmd},
    {"cbk", pre(2), bankcmd, chars('c')},
    {"c", eq(), bankcmd, chars('c')},
    {"cc", eq(), cccmd},
    {"cd", eq(), cdcmd},
    {"pwd", eq(), pwdinline, noargs(), dropLine},
    {"dir", eq(), dircmd},
    {"check", eq(), checkinline},
    {"chow", pre(2), chowcmd},
    {"clear", pre(3), clearinline},
    {"cls", eq(), clearinline},
    {"close", pre(3), closecmd},
    {"coef", eq(), vam, gate("coef")},
    {"comcoef", pre(4), comcoefcmd},
    {"edd", pre(2), editorcmd},
    {"e", eq(), editorcmd},
    {"editor", pre(4), editorcmd},
    {"del", eq(), delcmd, chars('d')},
    {"dfr", eq(), bankcmd, chars('d')},
    {"diagextract", pre(4), vam, gate("diagextract")},
    {"flow", eq(), vam, gate("flow")},
    {"format", eq(), formatcmd},
    {"frequency", pre(2), frequencycmd},
    {"dfreq", pre(3), dfreqcmd},
    {"decs", eq(), decscmd},
    {"d", eq(), decscmd},
    {"width", pre(1), widthcmd},
    {"w", eq(), widthcmd},
    {"dvam", pre(2), dvamcmd},
    {"fdup", pre(2), fcmd},
    {"fex", pre(2), fcmd},
    {"findmode", eq(), findmodecmd},
    {"vammode", eq(), vammodecmd},
    {"pmmode", eq(), pmmodeinline},
    {"fvread", pre(2), vam, gate("fvread")},
    {"gdates", pre(2), graphs::gdatescmd},
    {"gidmake", pre(4), vam, gate("gidmake")},
    {"gname", pre(2), graphs::gnamecmd},
    {"gsave", pre(2), graphs::gsavecmd},
    {"gprint", pre(2), graphs::gprintcmd},
    {"printer", eq(), graphs::printercmd},
    {"group", eq(), groupcmd},
    {"grp", eq(), groupcmd},
    {"glist", pre(3), glistcmd},
    {"hbk", pre(2), bankcmd, chars('h')},
    {"help", eq(), helpcmd},
    {"h", eq(), helpcmd},
    {"hl", eq(), hlcmd},
    {"hrange", pre(2), graphs::rangecmd, chars('h')},
    {"ic", eq(), iccmd},
    {"text", eq(), textcmd},
    {"id", eq(), cccmd},
    {"intvar", eq(), intvarcmd},
    {"line", eq(), graphs::linecmd},
    {"lint", eq(), vam, gate("Lintcmd")},
    {"limits", pre(3), limitscmd},
    {"rdates", eq(), limitscmd},
    {"lb", eq(), listbankscmd},
    {"listbanks", eq(), listbankscmd},
    {"listgroups", pre(4), listgroupscmd},
    {"linv", eq(), vam, gate("linv")},
    {"listnames", pre(3), listnamescmd, num(1)},
    {"ln", eq(), listnamescmd, num(1)},
    {"listnamescol", eq(), listnamescmd, num(0)},
    {"lnc", eq(), listnamescmd, num(0)},
    {"legend", pre(2), graphs::legendcmd},
    {"lv", eq(), lvcmd, num(1)},
    {"listvecs", eq(), lvcmd, num(1)},
    {"lvc", eq(), lvcmd, num(0)},
    {"listvecsc", eq(), lvcmd, num(0)},
    {"load", eq(), vam, gate("load")},
    {"look", pre(3), lookcmd},
    {"l", eq(), lookcmd},
    {"mcopy", eq(), mcopycmd},
    {"minv", eq(), vam, gate("minv")},
    {"madd", eq(), vam, gate("madd")},
    {"mmult", eq(), vam, gate("mmult")},
    {"mtrans", eq(), vam, gate("mtrans")},
};

const Entry chain3[] = {
    {"mode", pre(3), modecmd},
    {"missing", pre(4), missingcmd},
    {"matty", pre(4), mattycmd},
    {"matpr", pre(4), mattycmd},
    {"gridtype", six(), gridtycmd},
    {"monup", pre(3), monupcmd},
    {"mplot", pre(2), graphs::graph, chars('y', 'n', 'n')},
    {"mgraph", pre(2), graphs::graph, chars('y', 'n', 'n')},
    {"nl", eq(), nlcmd},
    {"nlp", eq(), nlpcmd},
    {"normality", pre(2), normalitycmd},
    {"pause", pre(2), pauseinline},
    {"plot", pre(2), graphs::graph, chars('n', 'n', 'n')},
    {"graph", pre(2), graphs::graph, chars('n', 'n', 'n')},
    {"g", eq(), graphs::graph, chars('n', 'n', 'n')},
    {"lplot", pre(2), graphs::graph, chars('n', 'y', 'n')},
    {"lgraph", pre(2), graphs::graph, chars('n', 'y', 'n')},
    {"sgraph", pre(3), graphs::graph, chars('n', 'n', 'y')},
    {"print", pre(2), prcmd, charnum('y', 24)},
    {"type", pre(2), prcmd, charnum('y', 24)},
    {"p", eq(), prcmd, charnum('y', 24)},
    {"t", eq(), prcmd, charnum('y', 24)},
    {"pmpunch", eq(), vam, gate("pmpunch")},
    {"punch5", eq(), punch5cmd},
    {"p5", eq(), punch5cmd},
    {"punchvec", eq(), punchveccmd},
    {"pv", eq(), punchveccmd},
    {"vp", eq(), vpcmd},
    {"scale", eq(), vam, gate("scale")},
    {"move", eq(), vam, gate("move")},
    {"ras", eq(), vam, gate("ras")},
    {"gvras", eq(), vam, gate("gvras")},
    {"IO2expIO", eq(), vam, gate("IO2expIO")},
    {"expIO2IO", eq(), vam, gate("expIO2IO")},
    {"rdras", eq(), vam, gate("rdras")},
    {"psras", eq(), vam, gate("psras")},
    {"rowscale", pre(4), vam, gate("rowscale")},
    {"store", eq(), vam, gate("store")},
    {"index", pre(2), vam, gate("index")},
    {"diaginsert", pre(5), vam, gate("diaginsert")},
    {"show", pre(2), showcmd},
    {"s", eq(), showcmd},
    {"stochastic", pre(5), stochasticcmd},
};

const Entry chain4[] = {
    {"tdates", pre(2), graphs::tdatescmd},
    {"pch", pre(2), pchcmd},
    {"ipch", pre(2), ipchcmd},
    {"tpch", pre(2), tpchcmd},
    {"titpch", pre(4), titpchcmd},
    {"punch", pre(2), punchcmd},
    {"eqpunch", pre(3), eqpunchcmd},
    {"p123", pre(2), p123cmd, chars('c')},
    {"rp123", pre(3), p123cmd, chars('r')},
    {"showt", eq(), showtcmd},
    {"recursive", pre(3), recurcmd},
    {"wregress", pre(2), wregresscmd},
    {"rename", pre(3), delcmd, chars('r')},
    {"rhosave", pre(4), rhosavecmd},
    {"save", pre(3), savecmd},
    {"second", eq(), secondcmd},
    {"sprint", pre(2), prcmd, charnum('n', 24)},
    {"stype", pre(2), prcmd, charnum('n', 24)},
    {"stack", pre(2), stackcmd, chars('t')},
    {"subtitle", pre(4), graphs::subtitlecmd},
    {"sur", eq(), stackcmd, chars('u')},
    {"logit", eq(), logitcmd},
    {"title", pre(2), titlecmd},
    {"gtitle", pre(3), graphs::gtitlecmd},
    {"gtfile", pre(3), graphs::gtfilecmd},
    {"time", eq(), timecmd},
    {"timer", eq(), timercmd},
    {"timestamp", eq(), timestampcmd},
    {"ts", eq(), timestampcmd},
    {"update", pre(2), updatecmd},
    {"wsi", eq(), wsicmd},
    {"vam", eq(), bankcmd, chars('v')},
    {"v", eq(), bankcmd, chars('v')},
    {"vamcreate", pre(4), vamcrcmd},
    {"vaxlab", pre(4), graphs::vaxlabcmd},
    {"vaxtitle", pre(4), vaxtitlecmd},
    {"version", pre(3), versioncmd},
    {"vmake", eq(), vam, gate("vmake")},
    {"vplus", eq(), vam, gate("vplus")},
    {"vminus", eq(), vam, gate("vminus")},
    {"vtitle", pre(3), vam, gate("vtitle")},
    {"pmfile", pre(3), vam, gate("pmfile")},
    {"setveclag", pre(3), vam, gate("setveclag")},
    {"commands", pre(3), vam, gate("commands")},
    {"getsum", pre(5), vam, gate("getsum")},
    {"pmatin", eq(), vam, gate("pmatin")},
    {"pmatin1", eq(), vam, gate("pmatin1")},
    {"vcprint", pre(3), cmtypecmd},
    {"cmtype", pre(2), cmtypecmd},
    {"vrange", pre(2), graphs::rangecmd, chars('v')},
    {"wrindex", pre(3), wrindexcmd},
    {"wsbank", pre(3), wsbankcmd},
    {"yearformat", eq(), yearformatcmd},
    {"yf", eq(), yearformatcmd},
    {"zap", eq(), zapcmd},
    {"zip", eq(), zipcmd},
    {":", eq(), colonblockcmd},
};

// The gateway's names in the order of its tests, with the modes its handlers take.
const GatewayEntry gateways[] = {
    {"vf", vfcmd}, {"vdata", vdatacmd}, {"vc", vccmd}, {"mc", mccmd},
    {"vupdate", vupdatecmd}, {"vmatdata", vmatdatacmd}, {"matin", matincmd}, {"matin5", matin5cmd},
    {"coef", coefcmd}, {"store", StoreOperation{}}, {"flow", flowcmd}, {"gidmake", gidmakecmd},
    {"linv", linvcmd}, {"madd", maddcmd}, {"minv", minvcmd}, {"mmult", mmultcmd},
    {"mtrans", mtranscmd}, {"fvread", fvreadcmd}, {"pmatin", pmatincmd}, {"pmatin1", pmatin1cmd},
    {"pmpunch", pmpunchcmd}, {"punch5", na}, {"punchvec", na}, {"scale", scalecmd},
    {"move", movecmd}, {"ras", rascmd, 0}, {"gvras", gvrascmd},
    {"IO2expIO", io2expiocmd},   {"expIO2IO", expio2iocmd},    {"rdras", rascmd, 1},  {"psras", rascmd, 2},
    {"rowscale", rowscalecmd},   {"index", indexcmd},       {"diaginsert", insertcmd}, {"diagextract", extractcmd},
    {"load", loadcommand}, {"Lintcmd", Lintcmd},   {"pmfile", pmfilegate}, {"setveclag", setveclag},
    {"vtitle", vtitlecmd}, {"vmake", vmakecmd, 0}, {"vplus", vmakecmd, 1}, {"vminus", vmakecmd, 2},
    {"commands", commandscmd}, {"getsum", getsum},
};

}  // namespace

std::span<const Entry> chain(int which) {
    switch (which) {
        case 1: return chain1;
        case 2: return chain2;
        case 3: return chain3;
        case 4: return chain4;
    }
    return {};
}

std::span<const GatewayEntry> gatewayTable() { return gateways; }

}  // namespace dispatch
