#include "models/modelmenu.h"

#include "core/printout.h"
#include "models/modelfiles.h"
#include "models/oryrun.h"
#include "models/oryrunrev.h"
#include "models/tables.h"
#include "platform/home.h"
#include "platform/platform.h"
#include "regress/regset_dialog.h"
#include "shell/mainform.h"
#include "views/editor.h"
#include "vam/groups.h"

const char* const compilerToolsDir = "c:\\bcc\\bin";

void ModelMasterClick() {
    std::shared_ptr<TEditForm> w = createEditorWindow();
    w->applyLook();
    w->Editor.setModified(false);
    // The window registers itself when it opens the file (a missing file is said, and the
    // window stays, untitled).
    if (w->openFile("master")) w->show();
}

void ModelBuildClick() {
    const char* name = "model.bat";
    // An existing model.bat is used as it stands.
    if (!platform::fileExists(name) &&
        !writedosfile(name, {"cls;", std::string("path c:\\kvt;") + compilerToolsDir + ";%PATH%;", "build master",
                             "make -frun.bpr", "pause"})) {
        printout("Could not open %s.\n", name);
        return;
    }
    runBatch(name, RunMode::spawn);
}

void RunOrb1Click() {
    if (Main.modelInterface == 0) ORYRunRevForm().showModal(true);
    else ORYRunFm().showModal(true);
}

void Tables1Click() {
    TTablesFm& form = TablesFm();
    if (form.display() < 0 || form.display() > 2) form.setDisplay(1);
    form.showModal(true);
}

void ExpressTables1Click() {
    if (!platform::fileExists("tabrun.bat")) {
        platform::current().messageBox("Error:  No Tabrun.bat file present.", "Error", platform::Buttons::Ok);
        return;
    }
    closegrouphome();  // the table tool may use or change groups.bin
    runBatch("tabrun.bat", RunMode::spawn);
    opengrouphome();
}

void RegresSettingsClick() { regsetdialog(); }
