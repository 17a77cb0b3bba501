// byteDump of a fuzzed counter answer, as the com log shows it.
//
// Properties: the dump is at least as long as the answer, printable bytes
// come through as they are and in order, and control bytes appear as hex.
#include "fuzz_support.h"
#include "poller.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string answer(fuzz::bytes(data, size));
    std::string dump = byteDump(answer);
    FUZZ_CHECK(dump.size() >= answer.size());

    std::size_t at = 0;
    for (unsigned char byte : answer) {
        if (byte >= 32 && byte < 127) {
            FUZZ_CHECK(at < dump.size() && dump[at] == static_cast<char>(byte));
            ++at;
        } else {
            // "%02xh " of the byte as a signed char: two hex digits, or
            // eight for the bytes from 0x80 on.
            std::size_t end = dump.find("h ", at);
            FUZZ_CHECK(end != std::string::npos);
            std::size_t digits = end - at;
            FUZZ_CHECK(digits == 2 || digits == 8);
            for (std::size_t i = at; i < end; ++i)
                FUZZ_CHECK(std::string_view("0123456789abcdef").find(dump[i]) !=
                           std::string_view::npos);
            at = end + 2;
        }
    }
    FUZZ_CHECK(at == dump.size());
    return 0;
}
