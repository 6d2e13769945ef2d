// The program's entry point; kept apart so that the GUI tests can link the
// application class with a main of their own.
#include "app/gui/PlotvaneApp.h"

wxIMPLEMENT_APP(PlotvaneApp);
