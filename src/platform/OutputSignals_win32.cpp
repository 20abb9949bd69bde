// Windows removes an unfinished output's temporary itself (its delete disposition), and a
// console's Ctrl+C ends the program on a thread of its own, with nothing of ours to run first.
#include "platform/OutputSignals.h"

namespace quillane {

void undoUnfinishedOutputsOnSignals() {}

namespace outputsystem {

int removeOnSignal(const std::string&, const std::string&) noexcept { return -1; }
int putBackOnSignal(const std::string&, const std::string&, const std::string&) noexcept { return -1; }
void removeInsteadOnSignal(int) noexcept {}
void forgetOnSignal(int) noexcept {}

SignalsHeldBack::SignalsHeldBack() noexcept = default;
SignalsHeldBack::~SignalsHeldBack() = default;

}  // namespace outputsystem

}  // namespace quillane
