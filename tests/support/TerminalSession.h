// A terminal dialog input fed from a text and writing into memory, installed for the object's lifetime:
// the modal loops read the text's lines as if typed, and Shown() gives everything they printed.
#pragma once

#include <cstdio>
#include <string>

#include "platform/DialogInput.h"

class TerminalSession {
public:
    explicit TerminalSession(std::string input);
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // What the dialogs have printed so far.
    std::string Shown();

private:
    std::string mInput;
    FILE* mIn = nullptr;
    FILE* mOut = nullptr;
    char* mOutput = nullptr;  // owned by the memory stream until it is closed
    size_t mOutputSize = 0;
    TerminalDialogInput* mTerminal = nullptr;
    DialogInput* mPrevious = nullptr;
};
