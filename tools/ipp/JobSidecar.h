// The plot row settings a station asked for (copies, rotate, mirror), kept
// beside a delivered job until the window can use them.
//
// The window queues files from the plot folder with default settings; it
// does not read these yet. So that it can, each delivered job gets a small
// INI file, outside the plot folder (the folder scan would list anything
// inside it as a plot file):
//
//   <settings folder>/<printer>/<file name>.ini
//   [Job]
//   File=back (2).plt        the file's name in the plot folder
//   PlotFolder=/srv/plots
//   Size=12345               bytes, as written
//   Copies=2                 1..1000
//   Rotate=TRUE              TRUE/FALSE, as Setting.ini writes booleans
//   Mirror=FALSE
//   Printer=Plotvane
//   JobId=12
//   User=anna
//
// A reader matches File, PlotFolder and Size before it applies a sidecar.
// The file is written atomically and removed when the job is finished or
// cancelled. Any thread.
#pragma once

#include <string>

#include "PlotOutcomeSource.h"
#include "plotlib/Status.h"

struct JobSettings {
    int copies = 1;
    bool rotate = false;
    bool mirror = false;
};

class CJobSidecar {
public:
    static std::string PathFor(const std::string& settingsFolder, const DeliveredFile& file);

    static Status Write(const std::string& settingsFolder, const DeliveredFile& file,
                        const JobSettings& settings, const std::string& user, unsigned long long size);
    static void Remove(const std::string& settingsFolder, const DeliveredFile& file);
};
