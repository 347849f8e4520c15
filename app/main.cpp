// Pelvaro.exe: the start-up object is the window Form1, which runs until the
// user closes it.
#include <windows.h>

#include "form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return pelvaro::RunForm1(instance, showCommand);
}
