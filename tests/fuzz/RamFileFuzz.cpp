// RAM files of any shape: read, loaded into an image, written again and read back the same.
#include "views/RamFile.h"

#include <cstdlib>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    RamFileContents file;
    if (!ParseRamFile(bytes, file))
        return 0;
    ChipDescription chip;
    for (int a = 0; a < kChipAddressCount; a += 3)
        chip.addressMask[size_t(a)] = 0xFF;
    ChipImage image{};
    RamMarks marks;
    for (int a = 0; a < kRamFileSize; ++a) {
        const size_t i = size_t(a);
        image[i] = LoadedByte(file, chip, a);
        marks.mark[i] = file.mark[i];
        marks.hint[i] = file.hint[i];
        marks.colour[i] = file.colour[i];
        // A hint text is one line of the file; the writer keeps it on one.
        marks.hintText[i] = file.hintText[i];
    }
    const QByteArray written = WriteRamFile(image, chip, marks);
    RamFileContents again;
    if (!ParseRamFile(written, again))
        std::abort();
    for (int a = 0; a < kRamFileSize; ++a) {
        const size_t i = size_t(a);
        if (LoadedByte(again, chip, a) != image[i] || again.mark[i] != marks.mark[i] ||
            again.hint[i] != marks.hint[i] || again.colour[i] != (marks.colour[i] & 0xFFFFFF))
            std::abort();
    }
    return 0;
}
