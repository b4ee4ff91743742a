// Opening files and addresses through the shell.
//
// The stand-in resolves a program through the path resolver and starts it when it is a program of
// this system (an ELF executable or a script with "#!"), without waiting for it; anything else, such
// as a Windows program, gets a one-line message on standard error. A web address is printed on
// standard output and handed to xdg-open, as its own argument, only when a desktop session exists.
// Tests install a handler (a recorder) in place of all that.
#pragma once

#include <string>

#include "platform/Window.h"

// Greater than 32 on success; a small error number otherwise.
HINSTANCE ShellExecuteA(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT showCommand);

constexpr uintptr_t SE_ERR_FNF = 2;
constexpr uintptr_t SE_ERR_ACCESSDENIED = 5;
constexpr uintptr_t SE_ERR_NOASSOC = 31;

namespace PlatformShell {
// One ShellExecuteA call; null texts become empty.
struct Request {
    HWND window = nullptr;
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
    INT showCommand = 0;
};

class Handler {
public:
    virtual ~Handler() = default;
    // The value ShellExecuteA returns.
    virtual HINSTANCE Execute(const Request& request) = 0;
};

// Installs the handler every ShellExecuteA goes to; null restores the real one. Returns the previous.
Handler* SetHandler(Handler* handler);

// The real behaviour, for callers that decorate it.
HINSTANCE ExecuteForReal(const Request& request);
// True for "http://", "https://" and "mailto:" addresses, without regard to case.
bool IsWebAddress(const std::string& file);
}  // namespace PlatformShell
