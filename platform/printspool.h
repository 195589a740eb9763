// The print spool: a print job (a title, the page rectangle, the orientation of the printer
// set-up, and its content as metafile bytes or text) is written whole to the next free
// jexprint<n>.wmf or jexprint<n>.txt of the working directory, and "[Print: <title>] <file>"
// goes out as a platform notice (never into the results).
#pragma once

#include <string>

namespace platform {

struct PrintJob {
    std::string title;
    int pageWidth = 0, pageHeight = 0;
    bool landscape = false;
    bool text = false;        // content is text (else metafile bytes)
    std::string content;
};

// Returns the file written, "" when it could not be written.
std::string spoolPrintJob(const PrintJob& job);

}  // namespace platform
