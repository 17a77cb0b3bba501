# The record line as the poller writes it, for the benchmarks' reports:
# the body "%s;%6d; 0; 0;" (an answered reading without faults) and the
# checksum of its first 255 characters, printable ASCII.  Prepended to the
# awk program of tools/bench-month.sh and tools/bench-league.sh.
function checksum(text,    i, a, b) {
    if (printable == "")
        for (i = 32; i < 127; i++) printable = printable sprintf("%c", i)
    a = 0; b = 0
    for (i = 1; i <= length(text) && i <= 255; i++) { a += index(printable, substr(text, i, 1)) + 31; b += a }
    return sprintf("0X%04X", (a % 251) * 256 + (b % 251))
}
function line(time, total,    body) {
    body = sprintf("%s;%6d; 0; 0;", time, total % 1000000)
    return body checksum(body)
}
