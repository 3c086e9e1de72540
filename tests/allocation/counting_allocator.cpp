// Replaces the C library's allocation functions (operator new goes through malloc) to count the
// allocations made while counting is on and no simulated API call is running: those are the
// loader's own.
#include "counting_allocator.h"

#include <winsim.h>

#include <cstddef>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *pointer, size_t size);
void __libc_free(void *pointer);
}

namespace {

bool counting = false;
long counted = 0;

void Count() {
    if (counting && !winsim::InSimulatedCall()) {
        ++counted;
    }
}

} // namespace

void StartCountingAllocations() {
    counted = 0;
    counting = true;
}

long StopCountingAllocations() {
    counting = false;
    return counted;
}

extern "C" void *malloc(size_t size) {
    Count();
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t count, size_t size) {
    Count();
    return __libc_calloc(count, size);
}

extern "C" void *realloc(void *pointer, size_t size) {
    Count();
    return __libc_realloc(pointer, size);
}

extern "C" void free(void *pointer) {
    __libc_free(pointer);
}
