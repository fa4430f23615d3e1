// registrar: writes a control module's classes into the machine's store, or removes them.
//   registrar [/u] [module]
// The module is a path, or a library name found in the plug-in folder ("BRXAPI" by
// default). Exit status 0 on success; otherwise the module's result is printed.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/ComRegistry.h"
#include "platform/DynamicLibrary.h"

int main(int argc, char** argv) {
    bool remove = false;
    std::string name = "BRXAPI";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "/u") == 0 || std::strcmp(argv[i], "-u") == 0) {
            remove = true;
        } else if (std::strcmp(argv[i], "/?") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: registrar [/u] [module]\n");
            return 0;
        } else {
            name = argv[i];
        }
    }
    const std::filesystem::path module = name.find('/') != std::string::npos
                                             ? std::filesystem::path(name)
                                             : platform::MapLibraryName(name);
    const platform::HRESULT hr =
        remove ? platform::UnregisterServer(module) : platform::RegisterServer(module);
    if (platform::FAILED(hr)) {
        std::fprintf(stderr, "registrar: %s %s failed: 0x%08X %s\n",
                     remove ? "removing" : "registering", module.c_str(), static_cast<unsigned>(hr),
                     platform::ComLastErrorText().c_str());
        return 1;
    }
    std::printf("%s %s\n", remove ? "removed" : "registered", module.c_str());
    return 0;
}
