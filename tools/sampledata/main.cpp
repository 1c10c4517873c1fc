// Writes the sample data folder next to the program.
#include "sampledata/sampledata.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: sampledata <folder> [--filler-brands N] [--big-catalogue N] [--lower-case]\n");
        return 2;
    }
    sampledata::Options opt;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--filler-brands") && i + 1 < argc)
            opt.fillerBrands = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--big-catalogue") && i + 1 < argc)
            opt.bigCatalogueModels = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--lower-case"))
            opt.lowerCaseNames = true;
        else {
            std::fprintf(stderr, "sampledata: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    try {
        sampledata::writeSampleData(argv[1], opt);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sampledata: %s\n", e.what());
        return 1;
    }
    return 0;
}
