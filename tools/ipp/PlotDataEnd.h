// Tells whether plot data ends inside a command: the last command was cut
// off, as when a station's transfer or the file it printed was truncated.
// Plot data that stops in the middle is still read by the plot file reader
// (it draws what arrived), so a job checks this separately before it goes
// into the plot folder.
//
// Cut off means, for HP-GL (also inside PJL/PCL):
//   - a lone mnemonic letter at the end ("...;P");
//   - parameters that run into the end with neither ';', a line end nor a
//     following command after them ("PD100,20");
//   - an unterminated label, encoded (PE) data without its ';', a quoted
//     string without its closing quote;
//   - an escape sequence or the binary block it announces cut short.
// A parameterless command at the end ("...;PG") and parameters ended by a
// line end ("SP0\n", as files without semicolons are written) are whole.
// For DM/PL: numbers that run into the end inside a program (after ";:",
// before "@") without a line end after them.
//
// This is its own small scanner until the plot file reader reports the
// same itself; then CPlotDocumentCheck asks the reader instead.
//
// Reads the file in chunks; any thread.
#pragma once

#include <string>

#include "plotlib/PlotFileReader.h"
#include "plotlib/Status.h"

class CPlotDataEnd {
public:
    // Sets `cut` when the data at `path` (in `format`) ends inside a
    // command and `where` to a short description ("an unterminated label").
    static Status Check(const std::string& path, CPlotFileReader::Format format, bool& cut,
                        std::string& where);

    // The same for bytes in memory.
    static void CheckBuffer(const std::string& data, CPlotFileReader::Format format, bool& cut,
                            std::string& where);
};
