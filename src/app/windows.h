#pragma once
// Makes every window of the program known by name, so that windows and the
// scrambled-file targets can reach each other's default instances.
void registerAllWindows();
// Shows the start window.
void startProgram();
