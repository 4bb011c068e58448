// Start-up and shut-down of the application: the fixed, logged order in which
// every subsystem is brought up, the main window, and the release at exit.
// Works on the one application record.
#pragma once

// Runs every start-up step in order; false when one failed (already
// reported with its message boxes). Ends in the Running state.
bool InitApplication(int showCommand);

// Creates the main window from the settings into app.mainWindow (null when
// the system refuses; the device step then reports it).
void CreateMainWindow();

// Logs the end of the loop, releases the device and the fonts, writes the
// end banner and closes the log.
void ShutDownApplication();
