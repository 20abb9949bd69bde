#pragma once

// What a signal that ends the program does to the output files under way: a named temporary is
// removed, and a file set aside while two outputs take their names goes back to its own.

#include <string>

namespace quillane {

// Has the signals that end a program (Ctrl-C, SIGTERM, SIGHUP, SIGQUIT, a broken pipe and the
// crashes) first undo the unfinished outputs as above, then end the program as the signal would
// have. A program calls it once at its start, before any output is made; a library leaves
// signals to its host. Nothing to do on Windows, which removes the temporaries itself.
void undoUnfinishedOutputsOnSignals();

namespace outputsystem {

// The files a signal undoes, each in a slot (-1: not listed, left to the sweep), named by folder
// and name; nothing where the system removes temporaries itself.
int removeOnSignal(const std::string& folder, const std::string& name) noexcept;
// A file set aside (`aside`, beside `destination` in `folder`), which a signal puts back at its
// name; once removeInsteadOnSignal is called, the signal removes it instead.
int putBackOnSignal(const std::string& folder, const std::string& aside, const std::string& destination) noexcept;
void removeInsteadOnSignal(int slot) noexcept;
void forgetOnSignal(int slot) noexcept;

// Holds back the signals that end the program for as long as it lives (POSIX), so that the
// calls it spans take the files from one whole state to the next with no signal in between.
class SignalsHeldBack {
public:
    SignalsHeldBack() noexcept;
    ~SignalsHeldBack();
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;
};

}  // namespace outputsystem

}  // namespace quillane
