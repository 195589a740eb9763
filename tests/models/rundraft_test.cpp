// The run batch draft of the run dialog: the batch file and RunXog.add byte for byte, the
// groups that the fields' emptiness leaves out, and the draft saved and run by OK.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "models/fixforms.h"
#include "models/oryrun.h"
#include "models/rundraft.h"
#include "shell/mainform.h"
#include "tests/models/model_test_util.h"

namespace rundraft_test {

class RunDraftTest : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        lastModelRun = lastModelHistName = lastModelSimName = exogFileName = "";
        batchModified = false;
        // The fix dialogs' input fix files as they stand after start-up.
        MacFixFm().findField("MacFixEd")->text = "Macrofix";
        VecFixFm().findField("TextInEd")->text = "vectors";
    }
    void TearDown() override {
        lastModelRun = lastModelHistName = lastModelSimName = exogFileName = "";
        batchModified = false;
        ModelDialogTest::TearDown();
    }
};

// The draft of the initial fields with the exogenous script exo1: 31 lines, 617 bytes.
const char* const exo1Draft =
    "rem   RUN.BAT - Run orb.\r\n"
    "rem   Call this batch file with an argument!  (To Save fixes & results)\r\n"
    "rem   Specify title & other parameters in orb.cfg\r\n"
    "\r\n"
    "copy hist.bnk base.bnk\r\n"
    "copy hist.ind base.ind\r\n"
    "copy hist.vam base.vam\r\n"
    "\r\n"
    "C:\\kvt\\jex7.exe RunXog.add\r\n"
    "\r\n"
    "c:\\kvt\\macmender.exe\r\n"
    "rem Macrofixes have been processed, type spacebar...\r\n"
    "pause\r\n"
    "\r\n"
    "c:\\kvt\\mender.exe\r\n"
    "rem Fixes have been processed, type spacebar...\r\n"
    "pause\r\n"
    "\r\n"
    "orb.exe\r\n"
    "\r\n"
    "@echo off\r\n"
    "if \"%1\" == \"\" goto end\r\n"
    "copy orb.cfg %1.cfg\r\n"
    "copy base.bnk %1.bnk\r\n"
    "copy base.ind %1.ind\r\n"
    "copy base.vam %1.vam\r\n"
    "copy Macrofix.mfx %1.mfx\r\n"
    "copy vectors.vfx %1.vfx\r\n"
    ":end\r\n"
    "\r\n"
    "pause\r\n";

const char* const exo1RunXog =
    "# Exogenous routines.\r\nwsb base\r\nvam base b\r\ndvam b\r\nadd exo1.xog\r\nwsb ws\r\nclose b\r\nq\r\n";

TEST_F(RunDraftTest, DraftWithExogenousScriptIsSavedAndRun) {
    TORYRunFm form;
    screen.platform.answers = {"ExogFileName=exo1", "CreateBatBtn"};
    form.showModal(true);
    EXPECT_EQ(form.edit.lines().size(), 31u);
    EXPECT_EQ(doslines(form.edit.lines()), exo1Draft);
    EXPECT_EQ(std::string(exo1Draft).size(), 617u);
    EXPECT_EQ(slurp("RunXog.add"), exo1RunXog);
    EXPECT_EQ(slurp("RunXog.add").size(), 87u);
    // The draft is a change of the editor: Save is offered, and the draft is not on disk yet.
    EXPECT_TRUE(form.findButton("SaveBtn")->enabled);
    EXPECT_TRUE(batchModified);
    EXPECT_FALSE(std::filesystem::exists("Run.Bat"));

    screen.platform.answers = {"SaveBtn", "Run.Bat", "OKBtn"};
    form.showModal(true);
    EXPECT_EQ(slurp("Run.Bat"), exo1Draft);
    EXPECT_EQ(runs, std::vector<std::string>{"Run.Bat sim"});
    EXPECT_EQ(modes, std::vector<RunMode>{RunMode::system});
    EXPECT_FALSE(form.findButton("SaveBtn")->enabled);
    EXPECT_FALSE(batchModified);
}

TEST_F(RunDraftTest, OkSavesAnUnsavedDraftThroughTheSaveDialogFirst) {
    TORYRunFm form;
    form.batchFileName = "mine";
    screen.platform.answers = {"CreateBatBtn", "OKBtn", "Open"};  // the save dialog keeps mine.bat
    form.showModal(true);
    EXPECT_EQ(form.batchFileName, "mine.bat");
    EXPECT_EQ(slurp("mine.bat"), doslines(form.edit.lines()));
    EXPECT_EQ(runs, std::vector<std::string>{"mine.bat sim"});
    // No exogenous script: no RunXog.add.
    EXPECT_FALSE(std::filesystem::exists("RunXog.add"));
}

TEST_F(RunDraftTest, FieldsLeaveOutTheirGroups) {
    // H empty, H equal to R, X empty, MF and VF empty, and the macro-fix input as the fix
    // dialog's Save leaves it (with its extension): the lines that differ from the full draft.
    struct Case {
        RunDraft d;
        std::vector<std::string> expected;
    } cases[] = {
        {{"m", "", "r", "", "", "", "", ""},
         {"rem   RUN.BAT - Run m.", "rem   Call this batch file with an argument!  (To Save fixes & results)",
          "rem   Specify title & other parameters in m.cfg", "", "", "m.exe", "", "@echo off",
          "if \"%1\" == \"\" goto end", "copy m.cfg %1.cfg", "copy r.bnk %1.bnk", "copy r.ind %1.ind",
          "copy r.vam %1.vam", ":end", "", "pause"}},
        {{"m", "r", "r", "", "v", "", "", "in"},
         {"rem   RUN.BAT - Run m.", "rem   Call this batch file with an argument!  (To Save fixes & results)",
          "rem   Specify title & other parameters in m.cfg", "", "", "c:\\kvt\\mender.exe",
          "rem Fixes have been processed, type spacebar...", "pause", "", "m.exe", "", "@echo off",
          "if \"%1\" == \"\" goto end", "copy m.cfg %1.cfg", "copy r.bnk %1.bnk", "copy r.ind %1.ind",
          "copy r.vam %1.vam", "copy in.vfx %1.vfx", ":end", "", "pause"}},
        {{"m", "h", "r", "f", "", "", "Macrofix.mfx", ""},
         {"rem   RUN.BAT - Run m.", "rem   Call this batch file with an argument!  (To Save fixes & results)",
          "rem   Specify title & other parameters in m.cfg", "", "copy h.bnk r.bnk", "copy h.ind r.ind",
          "copy h.vam r.vam", "", "c:\\kvt\\macmender.exe", "rem Macrofixes have been processed, type spacebar...",
          "pause", "", "m.exe", "", "@echo off", "if \"%1\" == \"\" goto end", "copy m.cfg %1.cfg",
          "copy r.bnk %1.bnk", "copy r.ind %1.ind", "copy r.vam %1.vam", "copy Macrofix.mfx.mfx %1.mfx", ":end", "",
          "pause"}},
    };
    for (const Case& c : cases) EXPECT_EQ(runbatchlines(c.d), c.expected) << c.d.hist << "/" << c.d.run;
}

TEST_F(RunDraftTest, FieldsAreTrimmedAndAnEmptyScriptLeavesRunXogAlone) {
    spit("RunXog.add", "my own\r\n");
    TORYRunFm form;
    screen.platform.answers = {"ModelEd=  m2 ", "RunEd=\tr2", "HistBankName=r2  ", "CreateBatBtn"};
    form.showModal(true);
    EXPECT_EQ(form.text("ModelEd"), "m2");
    EXPECT_EQ(form.text("RunEd"), "r2");
    EXPECT_EQ(form.text("HistBankName"), "r2");
    EXPECT_EQ(form.edit.lines()[0], "rem   RUN.BAT - Run m2.");
    EXPECT_EQ(form.edit.lines()[4], "");  // H equal to R after trimming: no copy group
    EXPECT_EQ(slurp("RunXog.add"), "my own\r\n");
    for (const std::string& line : form.edit.lines()) EXPECT_EQ(line.find("jex7"), std::string::npos);

    // A script name of blanks is not empty: RunXog.add is written, with the name trimmed.
    screen.platform.answers = {"ExogFileName= x1 ", "CreateBatBtn"};
    form.showModal(true);
    EXPECT_EQ(slurp("RunXog.add"), doslines(runxoglines("r2", "x1")));
    EXPECT_NE(slurp("RunXog.add").find("\r\nadd x1.xog\r\n"), std::string::npos);
}

TEST_F(RunDraftTest, UnwritableRunXogLeavesTheEditorAsItWas) {
    std::filesystem::create_directory("RunXog.add");
    TORYRunFm form;
    form.edit.setLines({"kept"});
    form.findButton("SaveBtn")->enabled = false;
    batchModified = false;
    screen.platform.answers = {"ExogFileName=exo1", "CreateBatBtn"};
    form.showModal(true);
    EXPECT_EQ(screen.platform.text(), "Cannot open RunXog.add.\n");  // its CR LF ends one line
    EXPECT_EQ(form.edit.lines(), std::vector<std::string>{"kept"});
    EXPECT_FALSE(form.findButton("SaveBtn")->enabled);
    EXPECT_FALSE(batchModified);
}

}  // namespace rundraft_test
