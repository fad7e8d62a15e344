#pragma once
// Process-wide settings the Linux program makes once at start.

namespace vostrel {

// A write past the file size limit must fail with an error the save can
// report, not end the program: SIGXFSZ is ignored.
void prepareProcess();

} // namespace vostrel
