#pragma once

namespace kt::system {

// Keeps freed memory in the process for the next allocation instead of giving it back to the
// system at once. The toolkit lays a changed paragraph out again in buffers the size of the
// paragraph, freed right after: given back and faulted in afresh at every key, those cost more
// than the layout itself (a 1 MB paragraph: 530 ms a key, 137 ms with the memory kept; opening
// it, 290 ms against 90 ms). Up to 128 MB free at the top of the heap stays; more is returned.
// Called once, first thing in main.
void keepFreedMemory();

} // namespace kt::system
