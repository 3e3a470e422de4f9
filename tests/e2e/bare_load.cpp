/*
 * The planted-library test's control: loads the rich edit library by its
 * bare name, as the program once did, and ends. Run from the folder with
 * the planted library and Wine's preference for it, it must load the
 * planted one; otherwise the test could not tell a safe program from a
 * setup that plants nothing.
 */
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return LoadLibraryA("RichEd20.dll") != nullptr ? 0 : 1;
}
