// Plotting the whole plot list into one plot file, and the emulation that
// replays the plotter's strokes on the preview.
#include "mainframe/MainForm.h"

void MainForm::PlotToFile(wxCommandEvent&) {}

void MainForm::EmulatePlot(wxCommandEvent&) {}
