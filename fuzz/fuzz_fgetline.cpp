// fgetline over a fuzzed file, with the report reader's capacity (100),
// a capacity taken from the first byte (at least 2) and the smallest (2).
//
// Properties: every piece has 1..capacity-1 characters; a line feed can
// only be its last character; a piece is shorter than capacity-1 without
// a line feed only at the end of the file; 0 comes only at the end, and
// stays; the pieces put together give the file back.
#include "fuzz_support.h"
#include "pcutil.h"

namespace {

void checkPieces(const fuzz::ScratchFile& file, std::string_view content, int capacity) {
    std::FILE* in = std::fopen(file.path().c_str(), "rb");
    FUZZ_CHECK(in != nullptr);
    std::string joined;
    std::string piece;
    for (;;) {
        int length = fgetline(in, piece, capacity);
        FUZZ_CHECK(length == static_cast<int>(piece.size()));
        if (length == 0) break;
        FUZZ_CHECK(length <= capacity - 1);
        std::size_t feed = piece.find('\n');
        FUZZ_CHECK(feed == std::string::npos || feed == piece.size() - 1);
        if (piece.back() != '\n' && length < capacity - 1)
            FUZZ_CHECK(joined.size() + piece.size() == content.size());
        joined += piece;
        FUZZ_CHECK(joined.size() <= content.size());
    }
    FUZZ_CHECK(joined == content);
    FUZZ_CHECK(fgetline(in, piece, capacity) == 0 && piece.empty());
    std::fclose(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchFile file("pcfuzz-lines");
    std::string_view content = fuzz::bytes(data, size);
    file.write(content);

    checkPieces(file, content, 100);
    int fromInput = size > 0 ? data[0] : 2;
    checkPieces(file, content, fromInput < 2 ? 2 : fromInput);
    checkPieces(file, content, 2);
    return 0;
}
