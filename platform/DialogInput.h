// Where a dialog's modal loop takes its actions from.
//
// An action is a line of text: a control's text, matched without regard to case ("Options", "Bloom",
// "OK"), clicks that control; a combo-box item's text ("1280 x 1024 x 32") selects that item;
// "close" closes the dialog as its close box would. No action (end of input) closes the dialog too.
#pragma once

#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Window.h"

class DialogInput {
public:
    virtual ~DialogInput() = default;
    // The next action for `dialog`, the dialog on top; nullopt once the input has ended.
    virtual std::optional<std::string> NextAction(HWND dialog) = 0;
    // One line telling the user why the last action did nothing.
    virtual void Notice(const std::string& line) = 0;
};

// Installs the source every modal loop reads from; null restores the terminal. Returns the previous.
DialogInput* SetDialogInput(DialogInput* input);
DialogInput& CurrentDialogInput();

// The dialog as text: its caption, the address of a web view in it, every visible control with its
// state (check marks, "(disabled)") and the items of each combo box, the selected one marked.
std::string DescribeDialog(HWND dialog);

// Reads one action per line from a stream, and shows the dialog on another whenever it has changed.
class TerminalDialogInput : public DialogInput {
public:
    // Not owned. A prompt is written when `in` is a terminal; piped lines are echoed instead.
    TerminalDialogInput(FILE* in = stdin, FILE* out = stdout);
    std::optional<std::string> NextAction(HWND dialog) override;
    void Notice(const std::string& line) override;

private:
    FILE* mIn;
    FILE* mOut;
    bool mEnded = false;
    HWND mShownDialog = nullptr;
    std::string mShownText;
};

// A queue of actions for tests. Inspections run when the loop reaches them; an exhausted queue ends
// the input, which closes every open dialog instead of blocking.
class ScriptedDialogInput : public DialogInput {
public:
    ScriptedDialogInput() = default;
    ScriptedDialogInput(std::initializer_list<std::string> actions);
    ScriptedDialogInput& Then(std::string action);
    ScriptedDialogInput& Inspect(std::function<void(HWND dialog)> inspection);

    std::optional<std::string> NextAction(HWND dialog) override;
    void Notice(const std::string& line) override;

    const std::vector<std::string>& Notices() const { return mNotices; }
    // Caption of the dialog on top at each read, the reads that found the queue empty included.
    const std::vector<std::string>& Captions() const { return mCaptions; }
    bool Exhausted() const { return mSteps.empty(); }

private:
    struct Step {
        std::string action;
        std::function<void(HWND)> inspection;  // set: an inspection, not an action
    };
    std::deque<Step> mSteps;
    std::vector<std::string> mNotices;
    std::vector<std::string> mCaptions;
};
