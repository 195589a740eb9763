#include "platform/printspool.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/home.h"
#include "platform/platform.h"

namespace platform {

std::string spoolPrintJob(const PrintJob& job) {
    const char* ext = job.text ? ".txt" : ".wmf";
    for (int n = 1; n < 100000; ++n) {
        const std::string name = "jexprint" + std::to_string(n) + ext;
        if (fileExists(name) || directoryExists(name)) continue;
        ReplacingFile file(name);
        std::FILE* f = file.open("wb");
        if (!f || std::fwrite(job.content.data(), 1, job.content.size(), f) != job.content.size() ||
            !file.commit())
            return "";
        current().notice("[Print: " + job.title + "] " + name);
        return name;
    }
    return "";
}

}  // namespace platform
