#include "interp/commandloop.h"

#include <cstring>
#include <exception>
#include <new>

#include "core/missing.h"
#include "core/printout.h"
#include "interp/command.h"
#include "interp/dispatch.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "platform/platform.h"
#if __has_include("interp/stepdialog.h")
#include "interp/stepdialog.h"
#define JEX_HAVE_STEP_DIALOG 1
#endif

namespace {

[[maybe_unused]] int defaultstepdialog(const char* word) {
    int choice = platform::current().choose(std::string("Jex7 Command:  ") + word,
                                            "Jex7 Script Control",
                                            {"Step", "Continue", "Cancel"}, 0);
    return choice == 0 ? 0 : choice == 1 ? 10 : 27;
}

// Close the add file (standard input, the add keyboard source, is never closed) and
// forget it.
void closeinput(std::FILE** in) {
    if (*in && *in != stdin) std::fclose(*in);
    *in = nullptr;
}

bool isstopcode(int s) { return s == -1 || s == 27 || s == 15 || s == 18 || s == 113; }

// Run a chain, turning an escaping exception into an error message and -1.
template <typename F>
int guarded(F&& call) {
    try {
        return call();
    } catch (const Jex7Errors& e) {
        printout("%s", e.text());
    } catch (const std::bad_alloc&) {
        printout("\nError:  out of memory.\n");
    } catch (const std::exception& e) {
        printout("\nError:  %s\n", e.what());
    }
    return -1;
}

}  // namespace

#ifdef JEX_HAVE_STEP_DIALOG
int (*stepDialog)(const char* word) = runstepdialog;
#else
int (*stepDialog)(const char* word) = defaultstepdialog;
#endif
void (*shutdownHandler)() = nullptr;

int commandloop(std::FILE** in) {
    if (quitRequested) {
        closeinput(in);
        return statusQuit;
    }
    stepMode = 0;
    int modeFlag = 0;
    const bool typed = *in == nullptr && replayMode != 'y';
    char word[78];
    for (;;) {
        // Arithmetic faults left by the previous command.
        if (platform::floatingPointFault()) {
            platform::clearFloatingPointStatus();
            if (pausebox("Arithmetic error in last operation. Do not trust result.\n", "Error") ==
                27)
                return statusAbort;
        }
        int cls;
        if (!typed) {
            percentMode = 1;
            do {
                cls = gettoken(word, *in, 0, sizeof word);
            } while (!(cls == 'a' || cls == '"' || cls == ':' || cls == 'e' || cls == -1 ||
                       cls == 27 || cls == 18 || cls == 15));
            if (cls == 'e') {
                closeinput(in);
                return statusDone;
            }
            if (cls != 'a' && cls != '"' && cls != ':') {
                closeinput(in);
                return cls;
            }
        } else {
            do {
                cls = gettoken(word, *in, 0, sizeof word);
            } while (!(cls == 'a' || cls == 'f' || cls == 'e' || cls == -1 || cls == 27 ||
                       cls == 18));
            if (cls == 'f' || cls == 'e') return statusDone;
            if (cls != 'a') return cls;
            modeFlag = 1;
        }

        if (word[0] != '"') {
            if (stepMode != 0) {
                int r = stepDialog(word);
                if (r == 10) {
                    stepMode = 0;
                } else if (r != 0) {
                    closeinput(in);
                    return statusAbort;
                }
            }
            int length = static_cast<int>(std::strlen(word));
            int status = 0;
            LoopAction action = LoopAction::none;
            int matched = guarded([&] { return dispatch1(word, length, in, status, action); });
            if (matched == -1 && action == LoopAction::none) {
                // the first chain itself failed: an error like any handler's
                matched = 1;
                status = -1;
            }
            if (matched == 1) {
                switch (action) {
                case LoopAction::returnNow:
                    closeinput(in);
                    return statusDone;
                case LoopAction::back:
                    return statusDone;
                case LoopAction::stepFailed:
                    closeinput(in);
                    return statusStepFailed;
                case LoopAction::quit:
                    modeFlag = 2;
                    status = 0;
                    break;
                case LoopAction::none:
                    break;
                }
            } else {
                status = guarded([&] { return dispatch2(word, length, in); });
                if (status == 0)
                    status = guarded([&] { return dispatch3(word, length, in); });
                if (status == 0) status = guarded([&] { return dispatch4(word, length, in); });
                if (status == 1) status = 0;
            }
            // A save or catch file that the command could not write is reported here.
            checkoutputfiles();
            if (quitRequested || status == statusQuit) {
                // quit or exit ran in a nested script: the shut-down has run, stop here too
                closeinput(in);
                return statusQuit;
            }
            if (isstopcode(status)) {
                closeinput(in);
                return status;
            }
        }

        if (modeFlag == 2) {
            closeinput(in);
            quitRequested = true;
            if (shutdownHandler) shutdownHandler();
            // An editor that kept its text cancelled the shut-down: the program goes on.
            return quitRequested ? statusQuit : statusAbort;
        }
        if (modeFlag == 1) return statusTyped;
        if (platform::escapePressed()) return statusAbort;
    }
}
