// CDxfParser: reads a DXF file into a CDxfDocument with the DXF library
// dxflib, through CDxfGroupFilter (which keeps damaged input away from the
// library). The library calls back for each entity; the parser keeps the
// ones the reader draws, with their layer, in their block or in model
// space, and leaves out paper space and the entities of meshes.
//
// dxflib keeps a static line counter in its stream reader, so reads are
// serialised by a process-wide lock; a parser object is used by one thread.
#pragma once

#include <cstddef>
#include <string>

#include "plotlib/DxfDocument.h"
#include "plotlib/DxfGroupFilter.h"
#include "plotlib/Status.h"

class CDxfParser {
public:
    // Reads everything `source` gives into `document` (which should be
    // empty). The status says why a file cannot be read; it does not name
    // the file.
    Status Parse(CDxfGroupFilter::Source source, CDxfDocument& document);

    // Whether the file had a SECTION at all (it is DXF, if maybe damaged).
    bool SawSection() const { return m_sawSection; }

private:
    bool m_sawSection = false;
};
