// The launcher executable: the dialogs read their actions from standard input.
#include "launcher/CPLauncher.h"

int main() {
    char noArguments[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWNORMAL);
}
