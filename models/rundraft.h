// The draft of a run batch file that the run dialog's "Draft Batch File" composes: copy the
// historical banks to the run banks, set exogenous values through a second instance of this
// program running RunXog.add, run the two fix tools and the model, and, called with an
// argument, keep the run's configuration, banks and fix inputs under that name.
#pragma once

#include <string>
#include <vector>

struct RunDraft {
    std::string model;        // M, the model name
    std::string hist;         // H, the historical bank root
    std::string run;          // R, the run (forecast) bank root
    std::string macFixes;     // MF, the run dialog's macro-fix file (only its emptiness counts)
    std::string vecFixes;     // VF, the same for vector fixes
    std::string exog;         // X, the root of the exogenous script (.xog)
    std::string macFixInput;  // the macro-fix dialog's input fix file, as it stands
    std::string vecFixInput;  // the vector-fix dialog's input fix file, as it stands
};

// The batch file's lines (each to be ended in CR LF).
std::vector<std::string> runbatchlines(const RunDraft& d);
// The eight lines of RunXog.add for the run bank and the exogenous script's root.
std::vector<std::string> runxoglines(const std::string& run, const std::string& exog);

// Blanks and tabs cut from both ends.
std::string trimmed(const std::string& s);
