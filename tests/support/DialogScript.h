// A scripted dialog input installed for the lifetime of the object: every modal loop reads from it.
#pragma once

#include "platform/DialogInput.h"

class DialogScript : public ScriptedDialogInput {
public:
    DialogScript() { mPrevious = SetDialogInput(this); }
    DialogScript(std::initializer_list<std::string> actions) : ScriptedDialogInput(actions) {
        mPrevious = SetDialogInput(this);
    }
    ~DialogScript() override { SetDialogInput(mPrevious); }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

private:
    DialogInput* mPrevious = nullptr;
};
