// One libFuzzer target: FUZZ_TARGET names the entry of fuzz::targets() that gets the fuzzer's bytes.
#include "FuzzTargets.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void (*entry)(const QByteArray&) = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Paths, process ids and text codecs behave as in the program.
    static QCoreApplication app(*argc, *argv);
    for (const fuzz::Target& target : fuzz::targets())
        if (std::strcmp(target.name, FUZZ_TARGET) == 0)
            entry = target.run;
    if (!entry) {
        std::fprintf(stderr, "no fuzz target named %s\n", FUZZ_TARGET);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    try {
        entry(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    } catch (const fuzz::Violation& v) {
        std::fprintf(stderr, "fuzz target %s: %s\n", FUZZ_TARGET, v.what());
        std::abort();
    }
    return 0;
}
