// Arbitrary frames into the simulated board, as a broken host might send them: the board must
// answer or stay silent, never read or write outside its memory.
#include "sim/SimBoard.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    vek::sim::SimBoard board;
    // The input is a run of frames, each led by its length byte.
    size_t pos = 0;
    std::vector<uint8_t> reply;
    while (pos < size) {
        const size_t n = data[pos++];
        const size_t take = n < size - pos ? n : size - pos;
        board.Receive(data + pos, take);
        pos += take;
        while (board.TakeReply(reply)) {
        }
    }
    return 0;
}
