#include "support/TerminalSession.h"

#include <cstdlib>
#include <stdexcept>

TerminalSession::TerminalSession(std::string input) : mInput(std::move(input)) {
    // fmemopen refuses an empty buffer; one that holds only the end of input stands in for it.
    mIn = mInput.empty() ? std::fopen("/dev/null", "r") : fmemopen(mInput.data(), mInput.size(), "r");
    mOut = open_memstream(&mOutput, &mOutputSize);
    if (!mIn || !mOut) throw std::runtime_error("cannot open the terminal streams");
    mTerminal = new TerminalDialogInput(mIn, mOut);
    mPrevious = SetDialogInput(mTerminal);
}

TerminalSession::~TerminalSession() {
    SetDialogInput(mPrevious);
    delete mTerminal;
    std::fclose(mIn);
    std::fclose(mOut);
    std::free(mOutput);
}

std::string TerminalSession::Shown() {
    std::fflush(mOut);
    return std::string(mOutput, mOutputSize);
}
