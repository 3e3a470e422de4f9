/*
 * The run sequence: the licence dialog, the confirmation box and the repair,
 * one after the other on the program's one thread.
 */
#ifndef MELVOX_RUN_SEQUENCE_H
#define MELVOX_RUN_SEQUENCE_H

#include <windows.h>

extern HMODULE gRichEditLibrary;

int RunStartupSequence(HINSTANCE instance);

#endif
