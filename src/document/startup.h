// What the program does with the workspace as a whole: its start, the
// settings load with the record defaults that follow it, and the one step
// every command takes after changing the records.
#pragma once

namespace karnea {

struct Workspace;
class Messages;

// The program's start, the same for the desktop program and the
// command-line tool: the test pages; on the first start the installation
// folder laid down with its standard files (or the user told it could not
// be, to be tried again at the next start); the settings loaded with the
// record defaults; the calibration graph's scale defaults.
void StartProgram(Workspace& ws, Messages& messages);

// A settings load (again from the files after `reset`) followed by the
// record defaults, as after every new or opened document.
void LoadSettingsAndDefaults(Workspace& ws, bool reset, Messages& messages);

// The defaults that every settings load gives the records: the test graph
// scales in range, the calibration's titles, number captions, company names
// and the volume-loss flag where they are empty.
void ApplyRecordDefaults(Workspace& ws);

// A command changed the records (a dialog's OK, a batch step): the document
// has changes that were not saved.
void RecordsChanged(Workspace& ws);

}  // namespace karnea
