#pragma once
// Makes every window of the program known by name, so that windows and the
// scrambled-file targets can reach each other's default instances.
void registerAllWindows();
// Shows the start window.
void startProgram();
// The whole run of the program on an existing application object: the
// start window, the event loop until the program ends, the windows closed.
// Returns the exit status.
int runProgram();
