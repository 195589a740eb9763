// What the Model and Regression menus of the main window do beyond opening a dialog: the
// master file in an editor, the macro model's build batch file model.bat, the express tables, the choice between the two
// run dialogs, the tables dialog's opening choice and the regression settings.
#pragma once

// The directory of the compiler's command-line tools, put on the path by model.bat between
// the installation directory and the path as it was.
extern const char* const compilerToolsDir;

// Edit Master File: the file "master" of the working directory in a new editor window.
void ModelMasterClick();
// Build Macro Model: writes model.bat when there is none ("Could not open %s.\n" when it
// cannot be written; nothing runs then) and runs it.
void ModelBuildClick();
// Run Orb Model: the revised run dialog with the model-run interface 0, else the full one.
void RunOrb1Click();
// Tables - Configure and Run: the tables dialog, on "Differences from bank 1" when no display
// choice is made.
void Tables1Click();
// Express Tables - Run Tabrun.bat: the box "Error:  No Tabrun.bat file present." when there
// is none; else tabrun.bat runs with the named groups closed and read again afterwards.
void ExpressTables1Click();
// Regression, Settings.
void RegresSettingsClick();
