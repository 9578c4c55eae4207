// The bookkeeping of a scattered read or write that may move fewer bytes than asked.
#pragma once

#include <cstddef>

#include <sys/uio.h>

// Steps vectors (count of them) past the first done bytes: whole vectors are dropped, and the
// first one left starts where the transfer stopped.
void StepPast(iovec*& vectors, int& count, size_t done);
