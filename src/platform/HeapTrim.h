#pragma once

namespace platform {

// Hands memory the process has freed back to the system. After a large
// transient job (reading the song library), the allocator would otherwise
// keep it as free space of its own.
class HeapTrim {
public:
    static void release();
};

} // namespace platform
