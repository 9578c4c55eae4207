#include "io_vectors.h"

#include <cstdint>

void StepPast(iovec*& vectors, int& count, size_t done) {
    while (count > 0 && done >= vectors->iov_len) {
        done -= vectors->iov_len;
        ++vectors;
        --count;
    }
    if (count > 0) {
        vectors->iov_base = static_cast<uint8_t*>(vectors->iov_base) + done;
        vectors->iov_len -= done;
    }
}
