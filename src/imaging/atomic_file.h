#pragma once
// A file written under a temporary name beside its target and renamed over the target only
// when commit() succeeds: a failed or abandoned write never destroys an existing file and
// leaves no partial one behind.
#include <cstddef>
#include <cstdint>
#include <string>

namespace mw {

class AtomicFileWriter {
public:
    // Creates the temporary file; throws FileError ("Cannot create file ...") when it cannot.
    explicit AtomicFileWriter(const std::string& path);
    // Removes the temporary file unless it was committed.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Appends bytes; false when the system refuses them (the reason is kept for commit()).
    // Never throws, so encoders may call it from their C callbacks.
    bool write(const uint8_t* data, size_t size) noexcept;
    // Throws FileError when a write failed.
    void throwIfFailed() const;
    // Gives the file the permissions an existing target had (or the usual ones) and renames
    // it over the target. Throws FileError with the first write error or the rename's.
    void commit();

private:
    std::string m_path;
    std::string m_temporary;
    int m_fd = -1;
    int m_error = 0;
    bool m_committed = false;
};

} // namespace mw
