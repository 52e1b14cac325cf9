// Feeds arbitrary bytes to the reader, then writes the result and reads that back: neither
// step may crash, hang or leak, and our own output must always read as rich text.
#include "rtf/document.h"
#include "rtf/rtf.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    kt::rtf::Document document;
    kt::rtf::read(input, document);
    const QByteArray written = kt::rtf::write(document);
    if (!written.startsWith("{\\rtf1"))
        std::abort();
    for (char c : written)
        if (static_cast<unsigned char>(c) >= 0x80)
            std::abort();
    kt::rtf::Document again;
    kt::rtf::read(written, again);
    // Text survives a round trip of whatever the reader made of the input.
    if (again.toRawText() != document.toRawText())
        std::abort();
    return 0;
}
