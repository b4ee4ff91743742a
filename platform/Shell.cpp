#include "platform/Shell.h"

#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/PathResolver.h"

extern char** environ;

namespace {
PlatformShell::Handler* gHandler = nullptr;

HINSTANCE Result(uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); }
constexpr uintptr_t kStarted = 33;

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t length = std::char_traits<char>::length(prefix);
    return text.size() >= length && ::strncasecmp(text.c_str(), prefix, length) == 0;
}

bool HasDesktopSession() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

// Parameters split at blanks; double quotes group blanks into one argument.
std::vector<std::string> SplitParameters(const std::string& text) {
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false;
    bool any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) arguments.push_back(current);
            current.clear();
            any = false;
        } else {
            current.push_back(c);
            any = true;
        }
    }
    if (any) arguments.push_back(current);
    return arguments;
}

// A program of this system: executable, and an ELF image or a "#!" script.
bool IsNativeProgram(const std::string& path) {
    if (::access(path.c_str(), X_OK) != 0) return false;
    FILE* file = OpenFileForRead(path);
    if (!file) return false;
    unsigned char head[4] = {};
    size_t count = std::fread(head, 1, sizeof(head), file);
    std::fclose(file);
    if (count >= 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return true;
    return count >= 2 && head[0] == '#' && head[1] == '!';
}

// Starts the program without a shell and without waiting for it.
bool Spawn(const std::string& program, const std::vector<std::string>& arguments, const std::string& directory,
           bool searchPath) {
    std::vector<char*> argv;
    std::string argv0 = program;
    argv.push_back(argv0.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    pid_t child = 0;
    int error = searchPath ? posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ)
                           : posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0;
}

HINSTANCE OpenWebAddress(const std::string& address) {
    std::printf("Opening %s\n", address.c_str());
    std::fflush(stdout);
    if (!HasDesktopSession()) return Result(kStarted);
    if (!Spawn("xdg-open", {address}, "", true)) {
        std::fprintf(stderr, "Could not hand %s to xdg-open.\n", address.c_str());
        return Result(SE_ERR_NOASSOC);
    }
    return Result(kStarted);
}
}  // namespace

namespace PlatformShell {
Handler* SetHandler(Handler* handler) {
    Handler* previous = gHandler;
    gHandler = handler;
    return previous;
}

bool IsWebAddress(const std::string& file) {
    return StartsWithNoCase(file, "http://") || StartsWithNoCase(file, "https://") || StartsWithNoCase(file, "mailto:");
}

HINSTANCE ExecuteForReal(const Request& request) {
    if (!request.verb.empty() && ::strcasecmp(request.verb.c_str(), "open") != 0) {
        std::fprintf(stderr, "Cannot \"%s\" %s: only \"open\" is supported.\n", request.verb.c_str(),
                     request.file.c_str());
        return Result(SE_ERR_NOASSOC);
    }
    if (IsWebAddress(request.file)) return OpenWebAddress(request.file);

    std::string file = NormalizePath(request.file);
    std::string joined = request.file;
    if (!request.directory.empty() && !file.empty() && file[0] != '/') joined = request.directory + "/" + request.file;
    std::string path = ResolvePath(joined);
    if (!IsRegularFile(path)) {
        // The Windows name alone does not tell a user where on this machine the file was looked for.
        std::error_code ignored;
        std::string lookedFor = std::filesystem::absolute(path, ignored).lexically_normal().string();
        if (lookedFor.empty()) lookedFor = path;
        std::fprintf(stderr, "Cannot start %s: there is no such file (looked for %s).\n", request.file.c_str(),
                     lookedFor.c_str());
        return Result(SE_ERR_FNF);
    }
    if (!IsNativeProgram(path)) {
        std::fprintf(stderr, "Cannot start %s: it is not a program of this system.\n", request.file.c_str());
        return Result(SE_ERR_NOASSOC);
    }
    // Named absolutely, since the program may start in another folder.
    std::error_code ignored;
    std::string program = std::filesystem::absolute(path, ignored).string();
    if (program.empty()) program = path;
    std::string directory = request.directory.empty() ? "" : ResolvePath(request.directory);
    if (!Spawn(program, SplitParameters(request.parameters), directory, false)) {
        std::fprintf(stderr, "Cannot start %s.\n", request.file.c_str());
        return Result(SE_ERR_ACCESSDENIED);
    }
    return Result(kStarted);
}
}  // namespace PlatformShell

HINSTANCE ShellExecuteA(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT showCommand) {
    PlatformShell::Request request;
    request.window = window;
    request.verb = verb ? verb : "";
    request.file = file ? file : "";
    request.parameters = parameters ? parameters : "";
    request.directory = directory ? directory : "";
    request.showCommand = showCommand;
    if (gHandler) return gHandler->Execute(request);
    return PlatformShell::ExecuteForReal(request);
}
