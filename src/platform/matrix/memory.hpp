// Large blocks of memory that are about to be filled.
//
// A fresh block is given to the process one 4 KB page at a time, each on its
// first touch, and on a virtual machine every such page fault is slow: filling
// a new matrix of 100 MB can cost as much as parsing the text that fills it.
// Asking the kernel for 2 MB pages for such a block cuts the faults 512-fold.
// The advice changes no value and is ignored where it is not supported.
#pragma once

#include <cstddef>

namespace varnok {

// Blocks below this size are left alone: the gain would not pay for the
// system call, and a 2 MB page for a small block wastes memory.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{8} << 20;

// Advises the kernel to back the whole 2 MB pages inside [data, data + bytes)
// with huge pages. Call it before the block is first written.
void adviseLargeBlock(void* data, std::size_t bytes);

}  // namespace varnok
