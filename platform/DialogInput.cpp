#include "platform/DialogInput.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/Controls.h"
#include "platform/WindowObject.h"

namespace {
DialogInput* gInput = nullptr;

// Controls within this many pixels of height belong to one row of the printed dialog.
constexpr LONG kRowPixels = 16;

// A line as the terminal shows it: a zero byte, which would end the printed text there, reads "\0".
std::string ShownLine(const std::string& line) {
    std::string shown;
    for (char c : line) {
        if (c == '\0') shown += "\\0";
        else shown += c;
    }
    return shown;
}

std::string Suffix(const WindowObject& control) { return control.Enabled() ? "" : " (disabled)"; }

void DescribeControl(const WindowObject& control, std::string& out) {
    if (!control.embeddedAddress.empty()) {
        out += "  web view: " + control.embeddedAddress + "\n";
        return;
    }
    if (control.className == "button") {
        DWORD kind = control.style & BS_TYPEMASK;
        if (kind == BS_GROUPBOX) {
            out += "  -- " + control.text + " --\n";
        } else if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX) {
            out += std::string("  [") + (control.checkState == BST_CHECKED ? "x" : " ") + "] " + control.text +
                   Suffix(control) + "\n";
        } else {
            out += "  [" + control.text + "]" + Suffix(control) + "\n";
        }
    } else if (control.className == "combobox") {
        out += "  list" + Suffix(control) + ":" + (control.items.empty() ? " (empty)" : "") + "\n";
        for (size_t i = 0; i < control.items.size(); ++i) {
            bool selected = control.selection == static_cast<INT>(i);
            out += std::string("    (") + (selected ? "*" : " ") + ") " + control.items[i].text + "\n";
        }
    } else if (!control.text.empty()) {
        out += "  " + control.text + "\n";
    }
}
}  // namespace

DialogInput* SetDialogInput(DialogInput* input) {
    DialogInput* previous = gInput;
    gInput = input;
    return previous;
}

DialogInput& CurrentDialogInput() {
    static TerminalDialogInput terminal;
    return gInput ? *gInput : terminal;
}

std::string DescribeDialog(HWND dialog) {
    const WindowObject* object = WindowRegistry::Find(dialog);
    if (!object) return "";
    std::string out = "=== " + object->text + " ===\n";
    // Rows from top to bottom, left to right within a row.
    std::vector<const WindowObject*> controls;
    for (auto& child : object->children) {
        if (child->Visible()) controls.push_back(child.get());
    }
    std::stable_sort(controls.begin(), controls.end(), [](const WindowObject* a, const WindowObject* b) {
        LONG rowA = a->rect.top / kRowPixels;
        LONG rowB = b->rect.top / kRowPixels;
        return rowA != rowB ? rowA < rowB : a->rect.left < b->rect.left;
    });
    for (const WindowObject* control : controls) DescribeControl(*control, out);
    return out;
}

TerminalDialogInput::TerminalDialogInput(FILE* in, FILE* out) : mIn(in), mOut(out) {}

std::optional<std::string> TerminalDialogInput::NextAction(HWND dialog) {
    if (mEnded) return std::nullopt;
    std::string text = DescribeDialog(dialog);
    if (dialog != mShownDialog || text != mShownText) {
        std::fputs(text.c_str(), mOut);
        std::fputs("Type a control's text or a list item to choose it; \"close\" closes the dialog.\n", mOut);
        mShownDialog = dialog;
        mShownText = text;
    }
    bool interactive = ::isatty(::fileno(mIn)) != 0;
    if (interactive) std::fputs("> ", mOut);
    std::fflush(mOut);

    char* line = nullptr;
    size_t capacity = 0;
    ssize_t length = ::getline(&line, &capacity, mIn);
    if (length < 0) {
        std::free(line);
        mEnded = true;
        if (interactive) std::fputs("\n", mOut);
        std::fflush(mOut);
        return std::nullopt;
    }
    std::string action(line, static_cast<size_t>(length));
    std::free(line);
    while (!action.empty() && (action.back() == '\n' || action.back() == '\r')) action.pop_back();
    if (!interactive) std::fprintf(mOut, "> %s\n", ShownLine(action).c_str());
    std::fflush(mOut);
    return action;
}

void TerminalDialogInput::Notice(const std::string& line) {
    std::fprintf(mOut, "%s\n", ShownLine(line).c_str());
    std::fflush(mOut);
}

ScriptedDialogInput::ScriptedDialogInput(std::initializer_list<std::string> actions) {
    for (const std::string& action : actions) Then(action);
}

ScriptedDialogInput& ScriptedDialogInput::Then(std::string action) {
    mSteps.push_back({std::move(action), nullptr});
    return *this;
}

ScriptedDialogInput& ScriptedDialogInput::Inspect(std::function<void(HWND)> inspection) {
    mSteps.push_back({"", std::move(inspection)});
    return *this;
}

std::optional<std::string> ScriptedDialogInput::NextAction(HWND dialog) {
    while (!mSteps.empty() && mSteps.front().inspection) {
        auto inspection = std::move(mSteps.front().inspection);
        mSteps.pop_front();
        inspection(dialog);
    }
    const WindowObject* object = WindowRegistry::Find(dialog);
    mCaptions.push_back(object ? object->text : "");
    if (mSteps.empty()) return std::nullopt;
    std::string action = std::move(mSteps.front().action);
    mSteps.pop_front();
    return action;
}

void ScriptedDialogInput::Notice(const std::string& line) { mNotices.push_back(line); }
