// Printer URIs in the CUPS style ("/printers/NAME") for PAPPL's printers
// ("/ipp/print/NAME").
//
// The CUPS command-line clients (lp -h HOST:PORT -d NAME, lpstat, cancel)
// find a printer's real URI for some requests, but build
// ipp://HOST/printers/NAME for others: lp's Create-Job reaches the printer,
// its Send-Document does not, and the job is lost. PAPPL looks printers up
// by path in papplSystemFindPrinter, a public function it calls through the
// dynamic linker; this program defines it (see SubmissionCheck.cpp for how
// that takes effect) and maps "/printers/NAME..." to "/ipp/print/NAME..."
// before handing over to PAPPL's own. Every other path is passed unchanged.
#include <dlfcn.h>

#include <cstring>
#include <string>

#include <pappl/pappl.h>

extern "C" pappl_printer_t* papplSystemFindPrinter(pappl_system_t* system, const char* resource, int printerId,
                                                   const char* deviceUri)
{
    using FindFn = pappl_printer_t* (*)(pappl_system_t*, const char*, int, const char*);
    static const FindFn next = reinterpret_cast<FindFn>(dlsym(RTLD_NEXT, "papplSystemFindPrinter"));
    if (!next)
        return nullptr;
    static const char kCups[] = "/printers/";
    if (resource && std::strncmp(resource, kCups, sizeof kCups - 1) == 0) {
        const std::string mapped = std::string("/ipp/print/") + (resource + sizeof kCups - 1);
        return next(system, mapped.c_str(), printerId, deviceUri);
    }
    return next(system, resource, printerId, deviceUri);
}
