#pragma once

// SIGINT and SIGTERM end the simulator through its normal path, so that it still removes
// its Ports entry and closes the line.
void InstallExitSignals();
bool ExitRequested();
