// N_("text") marks a text of the interface where it is written down (a
// command table, a validation message) without translating it there: core
// code has no translation call, and the window translates the text when it
// shows it. The mark lets the catalog check (tools/check-catalogs.sh) find
// the text and require it in every catalog.
#pragma once

#define N_(text) text
